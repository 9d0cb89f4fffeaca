#include "DebugOutput.h"

#include <QCoreApplication>
#include <QVariant>

#include <cstdio>

namespace mosvik::platform {

namespace {
constexpr const char* CurrentCaptureProperty = "mosvik1.debugCapture";

DebugCapture* localCapture = nullptr;

DebugCapture* currentCapture() {
    auto* app = QCoreApplication::instance();
    if (!app)
        return localCapture;
    return static_cast<DebugCapture*>(app->property(CurrentCaptureProperty).value<void*>());
}

void installCapture(DebugCapture* capture) {
    if (auto* app = QCoreApplication::instance())
        app->setProperty(CurrentCaptureProperty, QVariant::fromValue(static_cast<void*>(capture)));
    else
        localCapture = capture;
}
} // namespace

void debugOutput(const QString& line) {
    if (DebugCapture* capture = currentCapture()) {
        capture->write(line);
        return;
    }
    const QByteArray text = line.toUtf8();
    std::fprintf(stderr, "%s\n", text.constData());
}

DebugCapture::DebugCapture() : previous_(currentCapture()) {
    installCapture(this);
}

DebugCapture::~DebugCapture() {
    installCapture(previous_);
}

QStringList DebugCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void DebugCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

void DebugCapture::write(const QString& line) {
    std::lock_guard lock(mutex_);
    lines_.append(line);
}

} // namespace mosvik::platform
