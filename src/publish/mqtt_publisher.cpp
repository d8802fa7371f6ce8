#include "publish/mqtt_publisher.h"

#include "publish/outbound_queue.h"

#include <mosquitto.h>

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zeltar {

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int MaxOutstanding = 100; // handed to the client library and not yet sent
constexpr int ReconnectMinSeconds = 1;
constexpr int ReconnectMaxSeconds = 60;
constexpr std::chrono::seconds RestartAfter(2 * ReconnectMaxSeconds);

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

void Wipe(QByteArray &secret)
{
    std::fill(secret.begin(), secret.end(), '\0');
    secret.clear();
}

} // namespace

// Everything the threads share. It outlives the publisher when a stop does not finish in
// time (a broker lookup hanging at exit), and is freed by the sender thread then.
struct MqttPublisher::Link
{
    enum class State
    {
        Starting, // not connected yet, nothing reported
        Connected,
        Lost // reported as lost
    };

    explicit Link(const Options &options)
        : host(options.host.toUtf8()), port(options.port), qos(options.qos),
          keepAlive(options.keepAliveSeconds), statusTopic(options.statusTopic.toUtf8()),
          connectTimeout(options.connectTimeoutMs), queue(options.queueLimit)
    {}

    void run();
    bool connect(std::unique_lock<std::mutex> &lock);
    bool restart(std::unique_lock<std::mutex> &lock);
    void sendWaiting(std::unique_lock<std::mutex> &lock);
    void finish(std::unique_lock<std::mutex> &lock, int waitMs);
    void report(State state); // called with the mutex held

    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);

    mosquitto *client = nullptr;
    const QByteArray host;
    const int port;
    const int qos;
    const int keepAlive;
    const QByteArray statusTopic;
    const std::chrono::milliseconds connectTimeout;

    std::mutex mutex;
    std::condition_variable wake;
    OutboundQueue queue;
    MqttPublisher *owner = nullptr; // cleared, under the mutex, before the publisher goes
    State state = State::Starting;
    bool connected = false;
    bool stopping = false;
    bool finished = false;
    int stopWaitMs = 0;
    int outstanding = 0;
    SteadyClock::time_point lastConnected = SteadyClock::now();
    std::thread sender;
};

void MqttPublisher::Link::report(State newState)
{
    if (newState == state || (newState == State::Connected && state == State::Starting)) {
        state = newState;
        return;
    }
    state = newState;
    // Emitted in the publisher's own thread: the journal is never written from here.
    const bool lost = newState == State::Lost;
    if (MqttPublisher *publisher = owner)
        QMetaObject::invokeMethod(
            publisher,
            [publisher, lost] {
                if (lost)
                    Q_EMIT publisher->connectionLost();
                else
                    Q_EMIT publisher->connectionRestored();
            },
            Qt::QueuedConnection);
}

void MqttPublisher::Link::onConnect(mosquitto *client, void *self, int rc)
{
    auto *link = static_cast<Link *>(self);
    if (rc != 0) { // refused by the broker (a wrong login, say)
        std::lock_guard<std::mutex> lock(link->mutex);
        const bool first = link->state != State::Lost;
        link->report(State::Lost);
        if (MqttPublisher *publisher = first ? link->owner : nullptr)
            QMetaObject::invokeMethod(
                publisher, [publisher, rc] { Q_EMIT publisher->connectionRefused(rc); },
                Qt::QueuedConnection);
        return;
    }
    mosquitto_publish(client, nullptr, link->statusTopic.constData(), 6, "online", link->qos, true);
    std::lock_guard<std::mutex> lock(link->mutex);
    link->connected = true;
    link->outstanding = 0; // what was in flight went with the old connection
    link->queue.repeatLatest();
    link->report(State::Connected);
    link->wake.notify_all();
}

void MqttPublisher::Link::onDisconnect(mosquitto *, void *self, int)
{
    auto *link = static_cast<Link *>(self);
    std::lock_guard<std::mutex> lock(link->mutex);
    link->connected = false;
    link->lastConnected = SteadyClock::now();
    if (!link->stopping)
        link->report(State::Lost);
    link->wake.notify_all();
}

void MqttPublisher::Link::onPublish(mosquitto *, void *self, int)
{
    auto *link = static_cast<Link *>(self);
    std::lock_guard<std::mutex> lock(link->mutex);
    link->outstanding = std::max(0, link->outstanding - 1);
    link->wake.notify_all();
}

// A connection is begun here, on the sender thread, where the name lookup may take its
// time. Until an attempt gets as far as a socket it is repeated with the back-off the
// library uses for its reconnects; after that the library's network thread takes over.
// Called and returning with the mutex held.
bool MqttPublisher::Link::connect(std::unique_lock<std::mutex> &lock)
{
    int delay = ReconnectMinSeconds;
    for (;;) {
        lock.unlock();
        const bool begun =
            mosquitto_connect_async(client, host.constData(), port, keepAlive) == MOSQ_ERR_SUCCESS;
        const bool running = begun && mosquitto_loop_start(client) == MOSQ_ERR_SUCCESS;
        lock.lock();
        if (begun)
            return running;
        report(State::Lost);
        if (wake.wait_for(lock, std::chrono::seconds(delay), [this] { return stopping; }))
            return false;
        delay = std::min(delay * 2, ReconnectMaxSeconds);
    }
}

// The library's network thread gives up for good after some failures (a TLS handshake
// that fails, say for a certificate renewed meanwhile on the broker). Away for long, the
// client is stopped and the connection begun afresh.
bool MqttPublisher::Link::restart(std::unique_lock<std::mutex> &lock)
{
    lock.unlock();
    mosquitto_disconnect(client);
    mosquitto_loop_stop(client, false);
    lock.lock();
    lastConnected = SteadyClock::now();
    return connect(lock);
}

void MqttPublisher::Link::sendWaiting(std::unique_lock<std::mutex> &lock)
{
    while (connected && outstanding < MaxOutstanding) {
        std::optional<OutboundMessage> message = queue.take();
        if (!message)
            return;
        ++outstanding;
        const QByteArray topic = message->topic.toUtf8();
        lock.unlock();
        const int rc = mosquitto_publish(client, nullptr, topic.constData(),
                                         static_cast<int>(message->payload.size()),
                                         message->payload.constData(), qos, message->retain);
        lock.lock();
        if (rc == MOSQ_ERR_NO_CONN) {
            --outstanding;
            queue.putBack(std::move(*message));
            return;
        }
        if (rc != MOSQ_ERR_SUCCESS)
            --outstanding; // a message the broker could never take: dropped
    }
}

void MqttPublisher::Link::finish(std::unique_lock<std::mutex> &lock, int waitMs)
{
    const SteadyClock::time_point deadline = SteadyClock::now() + std::chrono::milliseconds(waitMs);
    if (connected) {
        while (connected && !queue.isEmpty() && SteadyClock::now() < deadline) {
            sendWaiting(lock);
            wake.wait_until(lock, deadline,
                            [this] { return !connected || outstanding < MaxOutstanding; });
        }
        ++outstanding;
        lock.unlock();
        const int rc =
            mosquitto_publish(client, nullptr, statusTopic.constData(), 7, "offline", qos, true);
        lock.lock();
        if (rc != MOSQ_ERR_SUCCESS)
            --outstanding;
        wake.wait_until(lock, deadline, [this] { return !connected || outstanding == 0; });
    }
    lock.unlock();
    mosquitto_disconnect(client);
    // Waits for the network thread. Inside a connect to a host that never answers it may
    // take minutes; the publisher's stop() does not wait that long for this thread.
    mosquitto_loop_stop(client, false);
    lock.lock();
}

void MqttPublisher::Link::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    bool running = connect(lock);
    while (running && !stopping) {
        wake.wait_for(lock, 200ms, [this] {
            return stopping || (connected && outstanding < MaxOutstanding && !queue.isEmpty());
        });
        const SteadyClock::duration away = SteadyClock::now() - lastConnected;
        if (!connected && state != State::Lost && away > connectTimeout)
            report(State::Lost);
        if (!connected && !stopping && away > RestartAfter)
            running = restart(lock);
        sendWaiting(lock);
    }
    if (running)
        finish(lock, stopWaitMs);
    lock.unlock();
    mosquitto_destroy(client);
    client = nullptr;
    lock.lock();
    finished = true;
    wake.notify_all();
}

MqttPublisher::MqttPublisher(QObject *parent) : QObject(parent) {}

MqttPublisher::~MqttPublisher()
{
    stop();
}

bool MqttPublisher::start(Options &options, QString *error)
{
    InitLibraryOnce();
    auto link = std::make_shared<Link>(options);
    link->owner = this;
    const QByteArray clientId = options.clientId.toUtf8();
    link->client = mosquitto_new(clientId.constData(), true, link.get());
    if (!link->client) {
        Wipe(options.password);
        *error = QStringLiteral("клиент MQTT не создан");
        return false;
    }
    mosquitto *client = link->client;
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_reconnect_delay_set(client, ReconnectMinSeconds, ReconnectMaxSeconds, true);
    mosquitto_connect_callback_set(client, &Link::onConnect);
    mosquitto_disconnect_callback_set(client, &Link::onDisconnect);
    mosquitto_publish_callback_set(client, &Link::onPublish);

    int rc =
        mosquitto_will_set(client, link->statusTopic.constData(), 7, "offline", options.qos, true);
    if (rc == MOSQ_ERR_SUCCESS && !options.username.isEmpty())
        rc = mosquitto_username_pw_set(client, options.username.toUtf8().constData(),
                                       options.password.isEmpty() ? nullptr
                                                                  : options.password.constData());
    Wipe(options.password);
    if (rc == MOSQ_ERR_SUCCESS && options.tls) {
        if (options.caFile.isEmpty())
            rc = mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            rc = mosquitto_tls_set(client, options.caFile.toLocal8Bit().constData(), nullptr,
                                   nullptr, nullptr, nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QString::fromUtf8(mosquitto_strerror(rc));
        mosquitto_destroy(client);
        return false;
    }

    m_link = link;
    link->sender = std::thread([link] { link->run(); });
    return true;
}

void MqttPublisher::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (!m_link)
        return;
    std::lock_guard<std::mutex> lock(m_link->mutex);
    if (m_link->stopping)
        return;
    m_link->queue.push(topic, payload, retain);
    m_link->wake.notify_all();
}

void MqttPublisher::stop(int waitMs)
{
    if (!m_link)
        return;
    std::shared_ptr<Link> link = std::move(m_link);
    std::unique_lock<std::mutex> lock(link->mutex);
    link->owner = nullptr;
    link->stopping = true;
    link->stopWaitMs = waitMs;
    link->wake.notify_all();
    const bool done = link->wake.wait_for(lock, std::chrono::milliseconds(waitMs + 1000),
                                          [&] { return link->finished; });
    lock.unlock();
    if (done)
        link->sender.join();
    else
        link->sender.detach(); // it ends on its own and frees the link then
}

bool MqttPublisher::isConnected() const
{
    if (!m_link)
        return false;
    std::lock_guard<std::mutex> lock(m_link->mutex);
    return m_link->connected;
}

quint64 MqttPublisher::dropped() const
{
    if (!m_link)
        return 0;
    std::lock_guard<std::mutex> lock(m_link->mutex);
    return m_link->queue.dropped();
}

} // namespace zeltar
