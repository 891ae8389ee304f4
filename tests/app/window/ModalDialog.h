// Drives the next modal dialog a command opens: once it is shown, act runs
// on it (type into its widgets, press its buttons).
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace halden::test {

inline void onNextDialog(std::function<void(QDialog&)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start(10);
}

template <class T>
T* child(QDialog& dialog, const char* name)
{
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!widget) ADD_FAILURE() << "no widget " << name << " in " << dialog.windowTitle().toStdString();
    return widget;
}

}  // namespace halden::test
