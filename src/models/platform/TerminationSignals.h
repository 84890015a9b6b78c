// CTerminationSignals: SIGTERM, SIGHUP and SIGINT delivered as a Qt signal
// on the thread that made the object, so the program can save its files
// and end in order. The handler itself only writes one byte into a pipe
// (the one thing it may safely do); a socket notifier reads it.
#pragma once

#include <QObject>

class QSocketNotifier;

class CTerminationSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; one object at a time. The handlers go back to
    // the defaults when it is destroyed.
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;
    // False when the pipe could not be made (the defaults then stay).
    bool IsActive() const { return m_notifier != nullptr; }

  signals:
    void Received(int signalNumber);

  private:
    void OnReadable();
    QSocketNotifier* m_notifier = nullptr;
};
