// SIGINT and SIGTERM end the application through its event loop, as a
// desktop session's logout expects: the handler only writes a byte to a
// pipe; the event loop reads it and closes the main window, which stops the
// acquisition and writes the settings, and the process exits with status 0.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace halden {

class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;
    bool installed() const { return m_notifier != nullptr; }

signals:
    void quitRequested(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace halden
