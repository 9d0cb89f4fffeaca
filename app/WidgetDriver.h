// Drives the plug-in's windows as a person would, by the names their
// classes and controls carry: finding the newest window of a class, setting
// and clicking controls so that their handlers run, pressing keys, and
// describing a window as JSON.
//
// Windows of the plug-in live in the same Qt instance as the host, so they
// are found among the application's top-level widgets; a window class is
// known by its meta-object class name or by its object name with "T" in
// front ("TfMain" is the window named "fMain").
//
// Threads: user-interface thread only.
#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <stdexcept>

namespace mosvik::app {

class DriverError : public std::runtime_error {
public:
    explicit DriverError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The newest visible window of `className`, or null.
QWidget* findWindow(const QString& className);
// The class name a window is known by ("TfMain").
QString windowClassName(const QWidget* window);

class WidgetDriver {
public:
    void setTarget(QWidget* window) { target_ = window; }
    QWidget* target() const { return target_.data(); }

    // Check boxes 0/1, radio buttons 1, edit and combo texts, list and combo
    // items by index as "#N" (0-based), spin edits by number.
    void set(const QString& control, const QString& value);
    void click(const QString& control);
    // A key by Qt name ("Escape", "Return", "F1") pressed on the focus
    // widget of the target window.
    void key(const QString& code);
    void close();
    QJsonObject describe() const;

private:
    QWidget* requireTarget() const;
    QWidget* control(const QString& name) const;

    QPointer<QWidget> target_;
};

} // namespace mosvik::app
