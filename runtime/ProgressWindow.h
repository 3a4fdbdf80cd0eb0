// A window that shows how far a long piece of work has come while the program waits for it.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;

// Shows `text` and a bar of the share done, captioned with the program's title, centred on the screen,
// in the windows' font. It appears only once the work has run for `showAfterMs`, so that short work
// shows nothing; while shown it repaints as the work reports progress, taking no input.
class TProgressWindow : public QWidget {
    Q_OBJECT

  public:
    explicit TProgressWindow(const QString& text, int showAfterMs = DefaultShowAfterMs);

    // The share done, 0 to 1. Called often; it acts at most every few hundredths of a second.
    void SetDone(double done);
    // What hands a piece of work's progress to SetDone, for as long as the window lives.
    std::function<void(double)> Reporter() {
        return [this](double done) { SetDone(done); };
    }

    static constexpr int DefaultShowAfterMs = 400;

  private:
    QElapsedTimer started_;
    qint64 shownAt_ = -1;  // ms since the start when it last repainted
    int showAfterMs_;
    QLabel* text_;
    QProgressBar* bar_;
};
