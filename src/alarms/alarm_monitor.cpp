#include "alarms/alarm_monitor.h"

#include "acquisition/station.h"
#include "alarms/alarm_command.h"
#include "alarms/alarm_history.h"
#include "alarms/alarm_notifier.h"
#include "alarms/alarm_state_file.h"
#include "core/clock.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>

namespace zeltar {

namespace {

QString StatePath(const Station &station)
{
    return station.ProgDir() + AlarmStateName;
}

AlarmMailerFactory &MailerFactory()
{
    static AlarmMailerFactory factory;
    return factory;
}

// What tells one mail setting from another, without keeping the password itself.
QByteArray MailDigest(const AlarmNotifySettings &s)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &field :
         {s.SmtpHost, QString::number(s.SmtpPort), QString::number(s.SmtpTls), s.SmtpUser,
          s.SmtpPassword, s.MailFrom, s.MailTo.join(',')})
        hash.addData((field + QLatin1Char('\n')).toUtf8());
    return hash.result();
}

} // namespace

void SetAlarmMailerFactory(AlarmMailerFactory factory)
{
    MailerFactory() = std::move(factory);
}

AlarmMonitor::AlarmMonitor(Station &station, QObject *parent) : QObject(parent), m_station(station)
{}

AlarmMonitor::~AlarmMonitor() = default;

void AlarmMonitor::load()
{
    QStringList errors;
    const int count = m_station.settings.CountUstr;
    for (int n = 1; n <= MaxDevices; ++n) {
        m_settings.at(n - 1) =
            n <= count ? ReadDeviceAlarms(m_station.ini, n, &errors) : DeviceAlarmSettings();
        m_conditions.at(n - 1) = {};
    }
    const AlarmNotifySettings notify = AlarmNotifySettings::read(m_station.ini, &errors);
    for (const QString &key : errors)
        m_station.journal.AddProgMes(AlarmSettingsErrorLine(key));

    if (m_command)
        m_command->retire(); // its runs go on to their end; nothing waits for them
    m_command = nullptr;
    if (!notify.Command.isEmpty()) {
        m_command = new AlarmCommand(notify.Command, notify.CommandTimeout, this);
        connect(m_command, &AlarmCommand::failed, this,
                [this](const QString &text) { m_station.journal.AddProgMes(text); });
    }

    takeMailSettings(notify);

    for (const KeptAlarm &kept : ReadAlarmState(StatePath(m_station))) {
        if (kept.device > count || kept.name != m_station.table.device(kept.device).PribName ||
            !RuleEnabled(kept.kind, settings(kept.device)))
            continue;
        conditionOf(kept.device, kept.kind) = kept.condition;
    }
}

void AlarmMonitor::takeMailSettings(const AlarmNotifySettings &notify)
{
    // Settings taken again unchanged keep the mailer, and the mails waiting in it.
    const QByteArray digest = notify.mailWanted() ? MailDigest(notify) : QByteArray();
    if (digest == m_mailDigest && (m_mailer || digest.isEmpty()))
        return;
    if (m_mailer)
        m_mailer->retire(); // a mail on its way is abandoned; nothing waits for it
    m_mailer = nullptr;
    m_mailDigest = digest;
    if (digest.isEmpty() || !MailerFactory())
        return;
    m_mailer = MailerFactory()(notify, this);
    connect(m_mailer, &AlarmNotifier::journalLine, this,
            [this](const QString &text) { m_station.journal.AddProgMes(text); });
    if (!notify.SmtpPassword.isEmpty() &&
        (QFile::permissions(m_station.configPath()) & QFileDevice::ReadOther))
        m_station.journal.AddProgMes(QStringLiteral(
            "Файл Zeltar.ini с паролем почты доступен для чтения всем пользователям"));
}

bool AlarmMonitor::configured() const
{
    return std::any_of(m_settings.begin(), m_settings.end(),
                       [](const DeviceAlarmSettings &s) { return s.any(); });
}

const DeviceAlarmSettings &AlarmMonitor::settings(int n) const
{
    return m_settings.at(static_cast<size_t>(n - 1));
}

const AlarmCondition &AlarmMonitor::condition(int n, AlarmKind kind) const
{
    return m_conditions.at(static_cast<size_t>(n - 1)).at(static_cast<size_t>(kind));
}

AlarmCondition &AlarmMonitor::conditionOf(int n, AlarmKind kind)
{
    return m_conditions.at(static_cast<size_t>(n - 1)).at(static_cast<size_t>(kind));
}

bool AlarmMonitor::anyActive(int n) const
{
    return std::any_of(AlarmKinds.begin(), AlarmKinds.end(),
                       [&](AlarmKind kind) { return condition(n, kind).holds(); });
}

void AlarmMonitor::devicePolled(int n)
{
    takePoll(n, m_station.state.device(n), Clock::now());
}

void AlarmMonitor::takePoll(int n, const DevicePollState &poll, const QDateTime &moment)
{
    const DeviceAlarmSettings &rules = settings(n);
    if (!rules.any())
        return;
    bool changed = false;
    for (AlarmKind kind : AlarmKinds) {
        if (!RuleEnabled(kind, rules))
            continue;
        AlarmCondition &condition = conditionOf(n, kind);
        const RuleVerdict verdict = ApplyRule(kind, poll, rules, condition, moment);
        if (const std::optional<AlarmChange> change = TakeVerdict(condition, verdict)) {
            if (*change == AlarmChange::Raised)
                condition.raised = moment;
            tell(n, kind, *change, moment);
            changed = true;
        }
    }
    if (changed)
        keepState();
}

void AlarmMonitor::acknowledge(int n, AlarmKind kind)
{
    if (n < 1 || n > MaxDevices)
        return;
    if (const std::optional<AlarmChange> change = Acknowledge(conditionOf(n, kind))) {
        tell(n, kind, *change, Clock::now());
        keepState();
    }
}

void AlarmMonitor::acknowledgeAll()
{
    bool changed = false;
    const QDateTime moment = Clock::now();
    for (int n = 1; n <= MaxDevices; ++n) {
        for (AlarmKind kind : AlarmKinds) {
            if (const std::optional<AlarmChange> change = Acknowledge(conditionOf(n, kind))) {
                tell(n, kind, *change, moment);
                changed = true;
            }
        }
    }
    if (changed)
        keepState();
}

void AlarmMonitor::tell(int n, AlarmKind kind, AlarmChange change, const QDateTime &moment)
{
    const AlarmCondition &condition = conditionOf(n, kind);
    AlarmEvent event;
    event.moment = moment;
    event.device = n;
    event.name = m_station.table.device(n).PribName;
    event.kind = kind;
    event.change = change;
    event.value = condition.value;
    event.limit = condition.limit;

    m_station.journal.AddProgMes(
        AlarmJournalText(kind, change, event.name, event.value, event.limit));
    QString error;
    if (AppendAlarmHistory(m_station.settings.PathArh, event, &error)) {
        m_historyFailing = false;
    } else if (!m_historyFailing) {
        m_historyFailing = true;
        m_station.journal.AddProgMes(QStringLiteral("Ошибка записи истории тревог: %1").arg(error));
    }
    if (m_command)
        m_command->run(event);
    if (m_mailer && change != AlarmChange::Acknowledged)
        m_mailer->notify(event);
    Q_EMIT alarmChanged(event);
}

void AlarmMonitor::keepState()
{
    QVector<KeptAlarm> kept;
    for (int n = 1; n <= MaxDevices; ++n) {
        for (AlarmKind kind : AlarmKinds) {
            const AlarmCondition &c = condition(n, kind);
            if (c.state != AlarmState::Normal)
                kept.append({n, m_station.table.device(n).PribName, kind, c});
        }
    }
    QString error;
    if (!WriteAlarmState(StatePath(m_station), kept, &error))
        m_station.journal.AddProgMes(
            QStringLiteral("Не могу сохранить состояние тревог: %1").arg(error));
}

} // namespace zeltar
