// The standard preview window with its tool bar, status panel and page keys, and the progress
// window shown while printing.
#pragma once

#include <QDialog>
#include <QWidget>

class QButtonGroup;
class QKeyEvent;
class QKeySequence;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class TRpPreview;
class TRpPrinter;

// A window that shows the pages of one printer object. Closing it frees it and detaches the printer,
// which ends the wait of the report's Preview.
class TRpStandardPreview : public QWidget {
    Q_OBJECT
  public:
    explicit TRpStandardPreview(TRpPrinter& printer, QWidget* parent = nullptr);

    TRpPreview& Preview() { return *preview_; }
    // "Page n of m".
    void UpdateStatus();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool handleKey(const QKeyEvent& key);
    bool pageKey(int key, bool control);
    void zoomStep(bool in);
    QToolButton* addButton(const QString& name, const QString& hint, const QIcon& glyph,
                           const QKeySequence& keys);
    void buildToolBar();
    void buildStatusPanel();
    void bindKeys();
    void pageCommand(int page);
    void print();
    void printerSetup();
    void save();
    void load();

    TRpPrinter& printer_;
    TRpPreview* preview_;
    QWidget* toolBar_;
    QButtonGroup* zoomGroup_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* gauge_ = nullptr;
};

// Shows the progress of a print run in steps of 5 percent and lets the user cancel it.
class TRpProgressForm : public QDialog {
    Q_OBJECT
  public:
    explicit TRpProgressForm(TRpPrinter& printer, QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;

  private:
    TRpPrinter& printer_;
    QProgressBar* bar_;
    QLabel* info_;
};
