#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace pictavo::host {

// SIGINT and SIGTERM as an event of the host's event loop. The handler only writes the
// signal's number into a pipe that the loop watches (the self-pipe pattern), so nothing unsafe
// runs inside it. When the loop sees it, every running event loop is ended
// (QCoreApplication::exit): a countdown in progress stops without a capture, and the host
// closes as it does at the end of input, unloading the plug-in first.
class StopSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; only one object may exist at a time.
    explicit StopSignals(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // A signal has been seen by the event loop; 0 while none has.
    int received() const { return received_; }

signals:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};

}  // namespace pictavo::host
