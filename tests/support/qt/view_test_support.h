#pragma once
// Helpers shared by the lobby view tests: driving the window thread's loop from inside a running lobby, and
// sending input events straight to a widget.

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>

#include <functional>

namespace pyrandel::test {

// Runs the window thread's events until `done` holds; gives up (false) after a generous deadline, so a broken
// build fails instead of hanging. Not a speed check.
inline bool WaitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(20000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Runs the calls queued so far, and those they queue in turn. Posted events are sent directly: from inside a
// step that an event loop is delivering, processEvents() would leave the events queued before that step to the
// loop's current pass, which resumes only after the step returns.
inline void Flush()
{
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Runs `step` from the event loop that is running when it comes due (a lobby's or a battle window's).
inline void Soon(std::function<void()> step)
{
    QTimer::singleShot(0, qApp, std::move(step));
}

inline void SendKey(QWidget& target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    const QString& text = {}, bool auto_repeat = false)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text, auto_repeat);
    QApplication::sendEvent(&target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text, auto_repeat);
    QApplication::sendEvent(&target, &release);
}

inline void SendMouse(QWidget& target, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton)
{
    QMouseEvent event(type, at, target.mapToGlobal(at), button,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

inline void Click(QWidget& target, QPoint at)
{
    SendMouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(target, QEvent::MouseButtonRelease, at, Qt::LeftButton);
}

} // namespace pyrandel::test
