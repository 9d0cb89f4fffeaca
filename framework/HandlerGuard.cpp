#include "HandlerGuard.h"

#include "ToolkitApplication.h"

#include "core/host/HostError.h"

namespace mosvik {

QString exceptionMessage(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const com::HostError& e) {
        return QString::fromStdU16String(e.message());
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("未知错误");
    }
}

void showHandlerError(QWidget* owner, std::exception_ptr error) noexcept {
    try {
        Application().ShowException(exceptionMessage(error), owner);
    } catch (...) {
        // Nothing is left to report with; the handler has ended either way.
    }
}

} // namespace mosvik
