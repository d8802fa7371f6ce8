#include "acquisition/lines.h"

namespace zeltar {

void Lines::setPortNames(const PortNames &names)
{
    m_names = names;
    for (auto &entry : m_workers)
        entry.second->setPortNames(names);
}

void Lines::setLinkMode(const LinkMode &mode)
{
    m_mode = mode;
    for (auto &entry : m_workers)
        entry.second->setLinkMode(mode);
}

LineWorker &Lines::worker(int port)
{
    const QString line = lineOf(port);
    auto found = m_workers.find(line);
    if (found == m_workers.end()) {
        auto worker = std::make_unique<LineWorker>(line);
        worker->setPortNames(m_names);
        worker->setLinkMode(m_mode);
        connect(worker.get(), &LineWorker::idle, this, [this] {
            if (idle())
                Q_EMIT allIdle();
        });
        found = m_workers.emplace(line, std::move(worker)).first;
    }
    return *found->second;
}

bool Lines::idle() const
{
    for (const auto &entry : m_workers)
        if (entry.second->pending() > 0)
            return false;
    return true;
}

void Lines::stop()
{
    for (auto &entry : m_workers)
        entry.second->stop();
}

} // namespace zeltar
