// The event boundary and the default error box.
#include "runtime/Boundary.h"

#include "runtime/Exception.h"
#include "runtime/Seams.h"

namespace runtime {

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void showException(std::exception_ptr error) {
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown exception");
    }
    showMessage({MessageKind::Error, applicationTitle(), errorBoxText(message)});
}

bool guarded(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        showException(std::current_exception());
        return false;
    }
}

}  // namespace runtime
