// Helpers for driving real widgets in the window tests: one QApplication for
// the test program (off-screen unless a platform is set), typing into edits
// by object name, and answering the next modal dialog from a callback.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

#include "CommandIds.h"

namespace halden::test {

// Creates the application once; later calls (and other fixtures that made
// one already) reuse it. It lives until the program ends.
inline void ensureApplication()
{
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "window_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// The child widget of that type and object name; fails the test without one.
template <class W>
W* child(QWidget* parent, const char* objectName)
{
    W* w = parent->findChild<W*>(QString::fromLatin1(objectName));
    EXPECT_NE(w, nullptr) << "no widget " << objectName;
    return w;
}

// Replaces the edit's text by typing, as a user would.
inline void typeInto(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Calls answer with the next application-modal widget once it is shown (the
// caller then runs the code that opens it). Gives up after a generous limit
// so a dialog that never opens fails the test instead of hanging it.
inline void answerNextModal(std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*tries < 3000) return;
        timer->stop();
        timer->deleteLater();
        if (modal) answer(modal);
    });
    timer->start(10);
}

// The whole file, or nothing when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace halden::test
