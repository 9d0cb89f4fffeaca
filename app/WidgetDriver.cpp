#include "WidgetDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>

namespace mosvik::app {

QString windowClassName(const QWidget* window) {
    QString name = QString::fromLatin1(window->metaObject()->className());
    const int colons = name.lastIndexOf(QLatin1String("::"));
    if (colons >= 0)
        name = name.mid(colons + 2);
    return name;
}

QWidget* findWindow(const QString& className) {
    QWidget* newest = nullptr;
    // Top-level widgets come in creation order; the last match is the newest.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible())
            continue;
        if (windowClassName(w) == className || QStringLiteral("T") + w->objectName() == className)
            newest = w;
    }
    // Windows owned by another window are children with their own frame.
    if (!newest) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            for (QWidget* w : top->findChildren<QWidget*>()) {
                if (w->isWindow() && w->isVisible() &&
                    (windowClassName(w) == className ||
                     QStringLiteral("T") + w->objectName() == className))
                    newest = w;
            }
        }
    }
    return newest;
}

QWidget* WidgetDriver::requireTarget() const {
    if (!target_)
        throw DriverError(QStringLiteral("no target window (use \"window CLASS\" first)"));
    return target_.data();
}

QWidget* WidgetDriver::control(const QString& name) const {
    QWidget* window = requireTarget();
    auto* w = window->findChild<QWidget*>(name);
    if (!w)
        throw DriverError(
            QStringLiteral("window %1 has no control \"%2\"").arg(windowClassName(window), name));
    if (!w->isEnabled())
        throw DriverError(QStringLiteral("control \"%1\" is disabled").arg(name));
    return w;
}

namespace {

int indexArgument(const QString& value, int count, const QString& name) {
    bool ok = false;
    const int index = value.mid(1).toInt(&ok);
    if (!ok || index < 0 || index >= count)
        throw DriverError(QStringLiteral("\"%1\" has no item %2").arg(name, value));
    return index;
}

// Qt gives every list item the user-checkable flag; an item shows a check
// box only once it has a check state, so that is what makes a check list.
bool isCheckItem(const QListWidgetItem* item) {
    return item->data(Qt::CheckStateRole).isValid();
}

bool flagArgument(const QString& value, const QString& name) {
    if (value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("0"))
        return false;
    throw DriverError(QStringLiteral("\"%1\" takes 0 or 1, not \"%2\"").arg(name, value));
}

} // namespace

void WidgetDriver::set(const QString& name, const QString& value) {
    QWidget* w = control(name);
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        if (!flagArgument(value, name))
            throw DriverError(QStringLiteral("a radio button is set with 1"));
        if (!radio->isChecked())
            radio->click();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
        if (button->isChecked() != flagArgument(value, name))
            button->click();
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setFocus();
        edit->selectAll();
        edit->insert(value); // as typed: textEdited and textChanged both fire
        emit edit->editingFinished();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        int index = -1;
        if (value.startsWith(QLatin1Char('#'))) {
            index = indexArgument(value, combo->count(), name);
        } else if (combo->isEditable()) {
            combo->setEditText(value);
            return;
        } else {
            index = combo->findText(value);
            if (index < 0)
                throw DriverError(QStringLiteral("\"%1\" has no item \"%2\"").arg(name, value));
        }
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        const int index =
            indexArgument(value.startsWith('#') ? value : "#" + value, list->count(), name);
        QListWidgetItem* item = list->item(index);
        if (isCheckItem(item))
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        list->setCurrentRow(index);
        emit list->itemClicked(item);
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        bool ok = false;
        const int v = value.toInt(&ok);
        if (!ok)
            throw DriverError(QStringLiteral("\"%1\" takes a whole number").arg(name));
        spin->setValue(v);
    } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok)
            throw DriverError(QStringLiteral("\"%1\" takes a number").arg(name));
        dspin->setValue(v);
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        tabs->setCurrentIndex(indexArgument(value, tabs->count(), name));
    } else {
        throw DriverError(QStringLiteral("control \"%1\" (%2) cannot be set")
                              .arg(name, QString::fromLatin1(w->metaObject()->className())));
    }
}

void WidgetDriver::click(const QString& name) {
    QWidget* w = control(name);
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button)
        throw DriverError(QStringLiteral("control \"%1\" is not a button").arg(name));
    button->click();
}

void WidgetDriver::key(const QString& code) {
    QWidget* window = requireTarget();
    const QKeySequence sequence = QKeySequence::fromString(code);
    if (sequence.isEmpty())
        throw DriverError(QStringLiteral("unknown key \"%1\"").arg(code));
    const QKeyCombination combination = sequence[0];
    QWidget* receiver = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(receiver, &press);
    QApplication::sendEvent(receiver, &release);
}

void WidgetDriver::close() {
    requireTarget()->close();
    target_.clear();
}

namespace {

QJsonObject describeControl(QWidget* w) {
    QJsonObject o;
    o["name"] = w->objectName();
    o["kind"] = QString::fromLatin1(w->metaObject()->className());
    o["enabled"] = w->isEnabled();
    o["visible"] = w->isVisible();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        o["text"] = b->text();
        if (b->isCheckable())
            o["checked"] = b->isChecked();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        o["text"] = e->text();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        o["text"] = l->text();
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        o["text"] = g->title();
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        QJsonArray items;
        for (int i = 0; i < c->count(); ++i)
            items.append(c->itemText(i));
        o["items"] = items;
        o["selected"] = c->currentIndex();
        o["text"] = c->currentText();
    } else if (auto* lw = qobject_cast<QListWidget*>(w)) {
        QJsonArray items;
        for (int i = 0; i < lw->count(); ++i) {
            QListWidgetItem* item = lw->item(i);
            if (isCheckItem(item))
                items.append(QJsonObject{{"text", item->text()},
                                         {"checked", item->checkState() == Qt::Checked}});
            else
                items.append(item->text());
        }
        o["items"] = items;
        o["selected"] = lw->currentRow();
    } else if (auto* s = qobject_cast<QSpinBox*>(w)) {
        o["text"] = QString::number(s->value());
    } else if (auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
        o["text"] = QString::number(d->value());
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        o["text"] = p->toPlainText();
    } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
        o["text"] = t->toPlainText();
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        o["selected"] = tabs->currentIndex();
    }
    return o;
}

} // namespace

QJsonObject WidgetDriver::describe() const {
    QWidget* window = requireTarget();
    QJsonObject o;
    o["class"] = windowClassName(window);
    o["caption"] = window->windowTitle();
    o["width"] = window->width();
    o["height"] = window->height();
    QJsonArray controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Only named controls: the toolkit's inner widgets carry no name or
        // a "qt_" one.
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")) ||
            w->isWindow())
            continue;
        controls.append(describeControl(w));
    }
    o["controls"] = controls;
    return o;
}

} // namespace mosvik::app
