#include "alarms/mail/alarm_mailer.h"

#include "alarms/alarm_settings.h"
#include "alarms/mail/alarm_mail_message.h"
#include "alarms/mail/smtp_sender.h"

#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace zeltar {

namespace {

// How long a closing mailer waits for the thread once the mail on its way is abandoned.
constexpr std::chrono::seconds AbandonWait(2);

} // namespace

// Everything the threads share. When the mailer stops without waiting, the thread keeps it
// and frees it at its end.
struct AlarmMailer::Worker
{
    Worker(const AlarmNotifySettings &settings, const Options &options)
        : sender(settings, options.timeoutMs), options(options)
    {}

    void run();
    void tell(const QString &text); // with the mutex held

    const SmtpSender sender;
    const Options options;

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<MailMessage> queue;
    AlarmMailer *owner = nullptr; // cleared, under the mutex, when the mailer stops
    bool stopping = false;
    bool finished = false;
    bool failing = false;
    quint64 sentCount = 0;
    quint64 droppedCount = 0;
    quint64 droppedUntold = 0; // pushed out since the journal last heard of it
    std::atomic<bool> abandon{false};
    std::thread thread;
};

void AlarmMailer::Worker::tell(const QString &text)
{
    if (AlarmMailer *mailer = owner)
        QMetaObject::invokeMethod(
            mailer, [mailer, text] { Q_EMIT mailer->journalLine(text); }, Qt::QueuedConnection);
}

void AlarmMailer::Worker::run()
{
    const std::function<bool()> cancelled = [this] { return abandon.load(); };
    std::chrono::milliseconds pause(options.retryFirstMs);
    std::unique_lock<std::mutex> lock(mutex);
    std::optional<MailMessage> mail;
    for (;;) {
        if (!mail) {
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty() || abandon)
                break;
            mail = std::move(queue.front());
            queue.pop_front();
        }
        lock.unlock();
        const SmtpOutcome outcome = sender.send(*mail, cancelled);
        lock.lock();
        if (outcome.sent) {
            ++sentCount;
            mail.reset();
            pause = std::chrono::milliseconds(options.retryFirstMs);
            if (failing) {
                failing = false;
                QString text = QStringLiteral("Письма о тревогах снова отправляются");
                if (droppedUntold > 0)
                    text += QStringLiteral("; не отправлено из-за переполнения очереди: %1")
                                .arg(droppedUntold);
                droppedUntold = 0;
                tell(text);
            }
            continue;
        }
        if (!failing) {
            failing = true;
            tell((outcome.refused
                      ? QStringLiteral("Сервер почты не принял письмо о тревоге: %1")
                      : QStringLiteral(
                            "Письмо о тревоге не отправлено: %1. Отправка будет повторяться"))
                     .arg(outcome.error));
        }
        if (outcome.refused)
            mail.reset();
        if (stopping) // no pauses at the end: what is left is given up
            break;
        if (mail) {
            wake.wait_for(lock, pause, [this] { return stopping; });
            pause = std::min(pause * 2, std::chrono::milliseconds(options.retryMaxMs));
        }
    }
    finished = true;
    wake.notify_all();
}

AlarmMailer::AlarmMailer(const AlarmNotifySettings &settings, const Options &options,
                         QObject *parent)
    : AlarmNotifier(parent), m_settings(std::make_unique<AlarmNotifySettings>(settings))
{
    m_settings->SmtpPassword.clear(); // the sender alone keeps it
    SmtpSender::initLibrary();
    m_worker = std::make_shared<Worker>(settings, options);
    m_worker->owner = this;
    std::shared_ptr<Worker> worker = m_worker;
    m_worker->thread = std::thread([worker] { worker->run(); });
}

AlarmMailer::~AlarmMailer()
{
    if (m_worker)
        stop(m_worker->options.closingGraceMs);
}

void AlarmMailer::notify(const AlarmEvent &event)
{
    if (!m_worker)
        return;
    MailMessage mail = AlarmMail(event, *m_settings);
    std::lock_guard<std::mutex> lock(m_worker->mutex);
    if (m_worker->stopping)
        return;
    if (static_cast<int>(m_worker->queue.size()) >= m_worker->options.queueLimit) {
        m_worker->queue.pop_front();
        ++m_worker->droppedCount;
        ++m_worker->droppedUntold;
    }
    m_worker->queue.push_back(std::move(mail));
    m_worker->wake.notify_all();
}

void AlarmMailer::retire()
{
    stop(0);
    deleteLater();
}

void AlarmMailer::stop(int graceMs)
{
    if (!m_worker)
        return;
    std::shared_ptr<Worker> worker = std::move(m_worker);
    std::unique_lock<std::mutex> lock(worker->mutex);
    worker->owner = nullptr;
    worker->stopping = true;
    worker->wake.notify_all();
    if (graceMs > 0)
        worker->wake.wait_for(lock, std::chrono::milliseconds(graceMs),
                              [&] { return worker->finished; });
    worker->abandon = true;
    const bool done =
        graceMs > 0 && worker->wake.wait_for(lock, AbandonWait, [&] { return worker->finished; });
    lock.unlock();
    if (done)
        worker->thread.join();
    else
        worker->thread.detach(); // it ends on its own and frees the worker then
}

quint64 AlarmMailer::sent() const
{
    if (!m_worker)
        return 0;
    std::lock_guard<std::mutex> lock(m_worker->mutex);
    return m_worker->sentCount;
}

quint64 AlarmMailer::dropped() const
{
    if (!m_worker)
        return 0;
    std::lock_guard<std::mutex> lock(m_worker->mutex);
    return m_worker->droppedCount;
}

void InstallAlarmMail(const AlarmMailer::Options &options)
{
    SmtpSender::initLibrary();
    SetAlarmMailerFactory([options](const AlarmNotifySettings &settings, QObject *parent) {
        return new AlarmMailer(settings, options, parent);
    });
}

} // namespace zeltar
