#pragma once

#include "acquisition/line_worker.h"
#include "link/link_mode.h"
#include "link/port_names.h"

#include <QObject>

#include <map>
#include <memory>

namespace zeltar {

// The station's serial lines, each owned by one worker, made when first used. A line is
// a device: the ports that the PORTS mapping points at one device share its worker.
class Lines : public QObject
{
    Q_OBJECT
public:
    explicit Lines(QObject *parent = nullptr) : QObject(parent) {}
    ~Lines() override { stop(); }

    void setPortNames(const PortNames &names);
    void setLinkMode(const LinkMode &mode);
    const PortNames &portNames() const { return m_names; }
    const LinkMode &linkMode() const { return m_mode; }

    // The line that port number port opens.
    QString lineOf(int port) const { return m_names.deviceName(port); }
    // The worker of port's line.
    LineWorker &worker(int port);

    // No job is queued or running on any line.
    bool idle() const;

    // Ends every line's worker (the program is closing).
    void stop();

Q_SIGNALS:
    // The last job of every line has ended.
    void allIdle();

private:
    PortNames m_names;
    LinkMode m_mode;
    std::map<QString, std::unique_ptr<LineWorker>> m_workers;
};

} // namespace zeltar
