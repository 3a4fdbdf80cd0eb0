// The progress window of long work.
#include "runtime/ProgressWindow.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <algorithm>

#include "runtime/Accessible.h"
#include "runtime/Seams.h"

namespace {

constexpr int RepaintEveryMs = 40;

}  // namespace

TProgressWindow::TProgressWindow(const QString& text, int showAfterMs)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      showAfterMs_(showAfterMs),
      text_(new QLabel(text, this)),
      bar_(new QProgressBar(this)) {
    runtime::answerWindowsAsFrames();
    setObjectName(QStringLiteral("TProgressWindow"));
    setWindowTitle(runtime::applicationTitle());
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(320, 72);
    text_->setObjectName(QStringLiteral("Label1"));
    text_->setGeometry(12, 10, width() - 24, 16);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    bar_->setGeometry(12, 36, width() - 24, 18);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    started_.start();
}

void TProgressWindow::SetDone(double done) {
    // Work that ends before the window has come up ends without it.
    if (done >= 1.0 && !isVisible()) return;
    const qint64 elapsed = started_.elapsed();
    if (elapsed < showAfterMs_ || (shownAt_ >= 0 && elapsed - shownAt_ < RepaintEveryMs)) return;
    shownAt_ = elapsed;
    bar_->setValue(static_cast<int>(std::clamp(done, 0.0, 1.0) * 100));
    if (!isVisible()) show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
