#pragma once
// Helpers for driving the dialogs as a user does: acting on a modal dialog from inside its own
// event loop, and reading the tab order.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/file_bytes.h"

// Failure messages show a QString as its text, not as its bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace quarrow::test {

// Runs `action` on the first modal dialog that appears (of type T when given), from inside its
// own event loop, once the window system has made it the active window: before that the dialog
// has no focus widget yet, and a busy machine can take its time. Gives up after `timeoutMs`.
template <typename T = QWidget>
void WhenModal(std::function<void(T*)> action, int timeoutMs = 30000) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, action, timeoutMs] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        const bool ready = modal != nullptr && modal->isActiveWindow();
        if (!ready && clock->elapsed() < timeoutMs) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (ready) {
            action(modal);
        } else if (modal != nullptr) {
            ADD_FAILURE() << "the modal dialog never became the active window";
            modal->close();  // so that the caller's exec() returns
        } else {
            ADD_FAILURE() << "no modal dialog appeared";
        }
    });
    timer->start(10);
}

// The widgets that Tab visits, starting at `first`, until the chain comes back to it.
inline std::vector<QWidget*> TabChain(QWidget* first, int limit = 50) {
    std::vector<QWidget*> chain;
    QWidget* widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            chain.push_back(widget);
        }
        widget = widget->nextInFocusChain();
    } while (widget != first && static_cast<int>(chain.size()) < limit);
    return chain;
}

inline QString Qs(const std::string& text) { return QString::fromUtf8(text.c_str()); }

inline std::string Str(const QString& text) { return text.toUtf8().toStdString(); }

inline QLineEdit* Edit(QWidget* widget) { return qobject_cast<QLineEdit*>(widget); }

}  // namespace quarrow::test
