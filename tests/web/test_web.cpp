// The web view over real HTTP on a loopback port, the station polling simulated instruments:
// the API's answers, the login and the acknowledgement, hostile requests with the answers
// they must get, the [WEB] settings and zeltarctl web-user.

#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "core/clock.h"
#include "mqtt_broker.h"
#include "sim_process.h"
#include "web/connection_guard.h"
#include "web/web_files.h"
#include "web/web_password.h"
#include "web/web_server.h"
#include "web/web_settings.h"
#include "web/web_view.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace zeltar;
using test::SimProcess;
using test::WaitUntil;

namespace {

// Zeltar.ini polling at TimeOpr 1 the simulators given (one device each) with the [WEB]
// section given and user "ivan" whose password is "secret".
void WriteStation(const QString &dir, const QStringList &lines, const QString &web,
                  const QString &deviceKeys = QString())
{
    QString text = QStringLiteral("[MAIN]\nTimeOpr=1\nCountUstr=%1\n").arg(lines.size());
    for (int n = 1; n <= lines.size(); ++n)
        text += QStringLiteral("[ZELTAR%1]\nPribName=Печь %1\nPribVkl=1\nPribPort=%1\nPribBaud=2\n"
                               "PribAdr=1\n%2")
                    .arg(n)
                    .arg(n == 1 ? deviceKeys : QString());
    text += QStringLiteral("[PORTS]\n");
    for (int i = 0; i < lines.size(); ++i)
        text += QStringLiteral("COM%1=%2\n").arg(i + 1).arg(lines[i]);
    text += QStringLiteral("[WEB]\n") + web + QStringLiteral("[WEBUSERS]\nivan=") +
            HashPassword(QStringLiteral("secret"), 1000) + QStringLiteral("\n");
    QFile file(dir + QStringLiteral("/Zeltar.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

struct Answer
{
    int status = 0;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers; // names in lower case

    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
    QByteArray header(const char *name) const { return headers.value(QByteArray(name)); }
};

// A browser-like client that keeps the session cookie and follows no redirect.
class Client
{
public:
    explicit Client(quint16 port) : m_port(port) {}

    Answer send(const QByteArray &method, const QString &path, const QByteArray &body = {},
                const QList<QPair<QByteArray, QByteArray>> &headers = {})
    {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        if (!m_cookie.isEmpty())
            request.setRawHeader("Cookie", m_cookie);
        for (const auto &header : headers)
            request.setRawHeader(header.first, header.second);
        if (method == "POST" && !body.isNull())
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              "application/x-www-form-urlencoded");
        QNetworkReply *reply = m_network.sendCustomRequest(request, method, body);
        WaitUntil([reply] { return reply->isFinished(); }, 10000);
        Answer answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
        for (const auto &pair : reply->rawHeaderPairs())
            answer.headers.insert(pair.first.toLower(), pair.second);
        const QByteArray cookie = answer.header("set-cookie");
        if (!cookie.isEmpty())
            m_cookie = cookie.left(cookie.indexOf(';'));
        reply->deleteLater();
        return answer;
    }
    Answer get(const QString &path) { return send("GET", path); }

    QByteArray cookie() const { return m_cookie; }

private:
    quint16 m_port;
    QNetworkAccessManager m_network;
    QByteArray m_cookie;
};

// Sends bytes on a connection of its own and returns all that comes back until the server
// closes it or waitMs pass.
QByteArray Raw(quint16 port, const QByteArray &bytes, int waitMs = 3000, bool *closed = nullptr)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(3000))
        return {};
    socket.write(bytes);
    QByteArray received;
    WaitUntil(
        [&] {
            received += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        waitMs);
    received += socket.readAll();
    if (closed)
        *closed = socket.state() == QAbstractSocket::UnconnectedState;
    return received;
}

// The same over TLS, trusting the tests' own certificate; returns once a whole JSON body or
// an answer without one has come.
QByteArray RawTls(quint16 port, const QByteArray &bytes)
{
    QSslSocket socket;
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    QObject::connect(&socket, &QSslSocket::encrypted, [&] { socket.write(bytes); });
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    QByteArray received;
    WaitUntil(
        [&] {
            received += socket.readAll();
            return received.endsWith("}") || received.endsWith("\r\n\r\n");
        },
        3000);
    return received;
}

int CountJournal(const Station &station, const QString &text)
{
    const QStringList lines = station.journal.lines();
    return int(std::count_if(lines.begin(), lines.end(),
                             [&](const QString &line) { return line.contains(text); }));
}

// The station of a test: polling the simulators with its alarms and its web view.
struct WebStation
{
    WebStation(const QString &dir) : station(dir), cycle(station), alarms(station)
    {
        station.journal.load(station.journalPath());
        station.loadConfiguration();
        alarms.load();
        QObject::connect(&cycle, &PollingCycle::devicePolled, &alarms, &AlarmMonitor::devicePolled);
    }
    ~WebStation()
    {
        cycle.btnStopClick();
        WaitUntil([this] { return !cycle.isBusy(); }, 5000);
        cycle.shutdown();
        station.lines.stop();
    }

    Station station;
    PollingCycle cycle;
    AlarmMonitor alarms;
};

} // namespace

class WebTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Viewers let in without a login: the devices as the state message carries them, one
    // device, records of a range with both ends included in JSON, as a decimated series and
    // in CSV exactly as zeltarctl export writes it, a range too large refused whole, the
    // journal newest first, the status; wrong numbers, moments and methods.
    void apiAnswersViewers()
    {
        SimProcess measuring({"--value", "25.3"}), silent({"--silent"});
        QVERIFY(measuring.start() && silent.start());
        QTemporaryDir dir;
        const auto port = quint16(test::FreeLoopbackPort());
        WriteStation(dir.path(), {measuring.portPath(), silent.portPath()},
                     QStringLiteral("Enabled=1\nPort=%1\nAnonymous=1\n").arg(port));
        WebStation s(dir.path());
        WebView web(s.station, s.cycle, &s.alarms);
        QVERIFY(web.start());
        QCOMPARE(web.port(), port);
        QVERIFY(CountJournal(s.station,
                             QStringLiteral("Веб-доступ открыт: http://127.0.0.1:%1/").arg(port)) ==
                1);
        s.cycle.btnStartClick();
        QVERIFY(WaitUntil(
            [&] { return s.cycle.lostRecords() == 0 && s.station.state.device(2).PribNoLink == 1; },
            10000));
        QTest::qWait(2500); // a few records of each device

        Client client(port);
        const Answer devices = client.get(QStringLiteral("/api/v1/devices"));
        QCOMPARE(devices.status, 200);
        QCOMPARE(devices.header("content-type"), QByteArray("application/json"));
        const QJsonArray list = devices.json().array();
        QCOMPARE(list.size(), 2);
        const QJsonObject first = list.at(0).toObject();
        for (const char *key : {"device", "name", "time", "value", "nolink", "break", "status",
                                "relays", "step", "alarms"})
            QVERIFY2(first.contains(QLatin1String(key)), key);
        QCOMPARE(first.value("name").toString(), QStringLiteral("Печь 1"));
        QCOMPARE(first.value("value").toDouble(), 25.3);
        QCOMPARE(list.at(1).toObject().value("nolink").toBool(), true);
        QVERIFY(list.at(1).toObject().value("value").isNull());
        QCOMPARE(client.get(QStringLiteral("/api/v1/devices/2")).json().object().value("device"),
                 QJsonValue(2));
        for (const char *wrong :
             {"/api/v1/devices/3", "/api/v1/devices/0", "/api/v1/devices/01", "/api/v1/devices/x",
              "/api/v1/devices/1/nothing", "/api/v2/devices"})
            QVERIFY2(client.get(QLatin1String(wrong)).status == 404, wrong);

        // The records as JSON; then the range of exactly the first and last of them again.
        const QString day = QDate::currentDate().toString(Qt::ISODate);
        const QString all =
            QStringLiteral("/api/v1/devices/1/records?from=%1T00:00:00&to=%1T23:59:59").arg(day);
        const QJsonArray records = client.get(all).json().object().value("records").toArray();
        QVERIFY(records.size() >= 2);
        QCOMPARE(records.first().toObject().value("value").toDouble(), 25.3);
        const QString from = records.first().toObject().value("time").toString();
        const QString to = records.last().toObject().value("time").toString();
        const QString exact =
            QStringLiteral("/api/v1/devices/1/records?from=%1&to=%2").arg(from, to);
        QCOMPARE(client.get(exact).json().object().value("records").toArray().size(),
                 records.size());
        const QJsonObject series =
            client.get(exact + QStringLiteral("&points=100")).json().object();
        QCOMPARE(series.value("records").toInt(), records.size());
        QCOMPARE(series.value("points").toArray().first().toArray().at(0).toString(), from);

        // CSV: what zeltarctl export writes for the same device and range.
        const Answer csv = client.get(exact + QStringLiteral("&format=csv"));
        QCOMPARE(csv.header("content-type"), QByteArray("text/csv; charset=utf-8"));
        QProcess exporter;
        const auto wall = [](const QString &iso) {
            return QDateTime::fromString(iso, Qt::ISODate).toString("dd.MM.yyyy HH:mm:ss");
        };
        exporter.start(QStringLiteral(ZELTARCTL_PATH),
                       {"--dir", dir.path(), "--device", "1", "export", "--from", wall(from),
                        "--to", wall(to)});
        QVERIFY(exporter.waitForFinished(10000));
        const QByteArray exported = exporter.readAllStandardOutput();
        QVERIFY(csv.body.startsWith("date,time,value,status,relays,step,nolink\r\n"));
        QCOMPARE(csv.body.count('\n'), records.size() + 1);
        QCOMPARE(csv.body.left(60), exported.left(60));

        // Too large: refused whole, never a part.
        WebApi::Limits limits;
        limits.jsonRecords = records.size() - 1;
        web.api().setLimits(limits);
        const Answer large = client.get(exact);
        QCOMPARE(large.status, 413);
        QVERIFY(!large.json().object().contains("records"));
        web.api().setLimits({});

        for (const QString &query :
             {QStringLiteral("from=%1").arg(from), QStringLiteral("from=%2&to=%1").arg(from, to),
              QStringLiteral("from=yesterday&to=%1").arg(to),
              QStringLiteral("from=%1Z&to=%2").arg(from, to),
              QStringLiteral("from=%1&to=%2&format=xml").arg(from, to),
              QStringLiteral("from=%1&to=%2&points=100000").arg(from, to)}) {
            const Answer wrong = client.get(QStringLiteral("/api/v1/devices/1/records?") + query);
            QVERIFY2(wrong.status == 400 || (from == to && wrong.status == 200), qPrintable(query));
        }

        const QJsonArray journal =
            client.get(QStringLiteral("/api/v1/journal?limit=3")).json().array();
        QCOMPARE(journal.size(), 3);
        QCOMPARE(journal.at(0).toString(), s.station.journal.lines().at(0));
        QCOMPARE(client.get(QStringLiteral("/api/v1/journal?limit=0")).status, 400);
        const QJsonObject status = client.get(QStringLiteral("/api/v1/status")).json().object();
        QCOMPARE(status.value("polling").toBool(), true);
        QVERIFY(status.value("session").toObject().value("user").isNull());
        QCOMPARE(client.send("DELETE", QStringLiteral("/api/v1/devices")).status, 405);
        QCOMPARE(client.send("POST", QStringLiteral("/"), "x").status, 405);

        // A second view on the same port cannot open it: one journal line, polling goes on.
        WebView second(s.station, s.cycle, nullptr);
        QVERIFY(!second.start());
        QCOMPARE(
            CountJournal(s.station, QStringLiteral("Веб-доступ не открыт: 127.0.0.1:%1").arg(port)),
            1);
        QVERIFY(s.cycle.isRunning());
    }

    // Without anonymous viewers: pages send to the login, the API answers 401; a wrong
    // password or user is refused, the sixth try within the minute is throttled; the session
    // cookie is HttpOnly and SameSite=Strict. The acknowledgement needs the login, the
    // session's token and a request of the view's own origin, then is journaled once.
    void loginAndAcknowledge()
    {
        SimProcess measuring({"--value", "25.3"});
        QVERIFY(measuring.start());
        QTemporaryDir dir;
        const auto port = quint16(test::FreeLoopbackPort());
        WriteStation(dir.path(), {measuring.portPath()},
                     QStringLiteral("Enabled=1\nPort=%1\n").arg(port),
                     QStringLiteral("AlarmHigh=20\n"));
        WebStation s(dir.path());
        WebView web(s.station, s.cycle, &s.alarms);
        QVERIFY(web.start());
        s.cycle.btnStartClick();
        QVERIFY(WaitUntil([&] { return s.alarms.anyActive(1); }, 10000));

        Client client(port);
        const Answer page = client.get(QStringLiteral("/"));
        QCOMPARE(page.status, 303);
        QCOMPARE(page.header("location"), QByteArray("/login"));
        QCOMPARE(client.get(QStringLiteral("/api/v1/devices")).status, 401);
        QCOMPARE(client.get(QStringLiteral("/login")).status, 200);
        QCOMPARE(client.get(QStringLiteral("/static/style.css")).status, 200);

        const auto login = [&](const QByteArray &form) {
            return client.send("POST", QStringLiteral("/login"), form);
        };
        for (const QByteArray &wrong :
             {QByteArray("user=ivan&password=wrong"), QByteArray("user=petr&password=secret"),
              QByteArray("user=ivan"), QByteArray("")}) {
            const Answer refused = login(wrong);
            QCOMPARE(refused.status, 303);
            QCOMPARE(refused.header("location"), QByteArray("/login?error=1"));
            QVERIFY(refused.header("set-cookie").isEmpty());
        }
        const Answer signedIn = login("user=IVAN&password=secret");
        QCOMPARE(signedIn.header("location"), QByteArray("/"));
        const QByteArray cookie = signedIn.header("set-cookie");
        QVERIFY(cookie.contains("HttpOnly") && cookie.contains("SameSite=Strict"));
        QCOMPARE(client.get(QStringLiteral("/")).status, 200);
        const QJsonObject session = client.get(QStringLiteral("/api/v1/status"))
                                        .json()
                                        .object()
                                        .value("session")
                                        .toObject();
        QCOMPARE(session.value("user").toString(), QStringLiteral("ivan"));
        const QByteArray csrf = session.value("csrf").toString().toLatin1();

        const QJsonArray active =
            client.get(QStringLiteral("/api/v1/alarms")).json().object().value("active").toArray();
        QCOMPARE(active.size(), 1);
        const QString ack = QStringLiteral("/api/v1/alarms/%1/ack")
                                .arg(active.at(0).toObject().value("id").toString());
        QCOMPARE(ack, QStringLiteral("/api/v1/alarms/1-high/ack"));
        const QByteArray origin = QStringLiteral("http://127.0.0.1:%1").arg(port).toLatin1();
        QCOMPARE(client.send("GET", ack).status, 405);
        QCOMPARE(client.send("POST", ack, "", {{"Origin", origin}}).status, 403);
        QCOMPARE(client.send("POST", ack, "", {{"X-CSRF-Token", "forged"}}).status, 403);
        QCOMPARE(
            client
                .send("POST", ack, "", {{"X-CSRF-Token", csrf}, {"Origin", "http://evil.example"}})
                .status,
            403);
        QCOMPARE(
            client.send("POST", ack, "", {{"X-CSRF-Token", csrf}, {"Sec-Fetch-Site", "cross-site"}})
                .status,
            403);
        QCOMPARE(s.alarms.condition(1, AlarmKind::High).state, AlarmState::Active);
        const Answer done =
            client.send("POST", ack, "", {{"X-CSRF-Token", csrf}, {"Origin", origin}});
        QCOMPARE(done.status, 200);
        QCOMPARE(s.alarms.condition(1, AlarmKind::High).state, AlarmState::Acknowledged);
        QCOMPARE(
            CountJournal(s.station, QStringLiteral("Веб-доступ: ivan квитирует тревогу Печь 1")),
            1);
        QCOMPARE(client.send("POST", ack, "", {{"X-CSRF-Token", csrf}}).status, 409);
        QCOMPARE(client
                     .send("POST", QStringLiteral("/api/v1/alarms/1-none/ack"), "",
                           {{"X-CSRF-Token", csrf}})
                     .status,
                 404);
        const QJsonArray history =
            client.get(QStringLiteral("/api/v1/alarms?from=2000-01-01T00:00&to=2100-01-01T00:00"))
                .json()
                .object()
                .value("history")
                .toArray();
        QCOMPARE(history.at(0).toObject().value("state").toString(),
                 QStringLiteral("acknowledged"));

        // Logged out: the session is gone, an old cookie is worth nothing.
        QCOMPARE(
            client.send("POST", QStringLiteral("/logout"), "", {{"X-CSRF-Token", csrf}}).status,
            303);
        Client replay(port);
        QCOMPARE(replay
                     .send("GET", QStringLiteral("/api/v1/devices"), {},
                           {{"Cookie", cookie.left(cookie.indexOf(';'))}})
                     .status,
                 401);

        // Throttled: five failures, then even the right password waits.
        Client guesser(port);
        const auto guess = [&](const QByteArray &form) {
            return guesser.send("POST", QStringLiteral("/login"), form);
        };
        for (int i = 0; i < 5; ++i)
            QCOMPARE(guess("user=ivan&password=guess").status, 303);
        const Answer throttled = guess("user=ivan&password=secret");
        QCOMPARE(throttled.status, 429);
        QVERIFY(throttled.header("retry-after").toInt() > 0);
        QVERIFY(guesser.cookie().isEmpty());
    }

    // Requests that try to reach beyond the view or to wear it down get their answers, and
    // every answer carries the headers that stop framing and sniffing; sessions end.
    void hostileRequests()
    {
        QTemporaryDir dir;
        const auto port = quint16(test::FreeLoopbackPort());
        WriteStation(dir.path(), {}, QStringLiteral("Enabled=1\nPort=%1\nAnonymous=1\n").arg(port));
        WebStation s(dir.path());
        WebView web(s.station, s.cycle, &s.alarms);
        QVERIFY(web.start());
        web.server()->guard().setRequestTimeout(500);

        // A chart library folder with a link that leads out of it.
        QTemporaryDir library;
        QFile::link(QStringLiteral("/etc/passwd"),
                    library.filePath(QStringLiteral("dygraph.min.js")));
        QFile css(library.filePath(QStringLiteral("dygraph.min.css")));
        QVERIFY(css.open(QIODevice::WriteOnly) && css.write(".dygraph {}") > 0);
        css.close();
        const QString system = ChartLibraryFolder();
        SetChartLibraryFolder(library.path());

        const auto status = [](const QByteArray &answer) { return answer.left(12); };
        for (const QByteArray &path :
             {QByteArray("/static/../../../../etc/passwd"),
              QByteArray("/static/%2e%2e/%2e%2e/etc/passwd"), QByteArray("/..%2f..%2fetc%2fpasswd"),
              QByteArray("//etc/passwd"), QByteArray("/static/dygraph.min.js"),
              QByteArray("/static/style.css/../../Zeltar.ini"), QByteArray("/Zeltar.ini"),
              QByteArray("/static/"), QByteArray("/api/v1/../../Zeltar.ini")}) {
            const QByteArray answer = Raw(
                port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
            QVERIFY2(status(answer) == "HTTP/1.1 404", path);
            QVERIFY2(!answer.contains("root:"), path);
        }
        const QByteArray css200 = Raw(
            port,
            "GET /static/dygraph.min.css HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        QCOMPARE(status(css200), QByteArray("HTTP/1.1 200"));
        for (const QByteArray &header :
             {QByteArray("X-Frame-Options: DENY"), QByteArray("frame-ancestors 'none'"),
              QByteArray("X-Content-Type-Options: nosniff")})
            QVERIFY(css200.contains(header));
        SetChartLibraryFolder(system);

        // Another site's name pointed at this machine (header names in any case).
        QCOMPARE(
            status(Raw(port, "GET /api/v1/devices HTTP/1.1\r\nhost: evil.example\r\n\r\n", 500)),
            QByteArray("HTTP/1.1 421"));

        // Too large a body or header: 413 and closed, whatever the request says of its size.
        bool closed = false;
        QCOMPARE(
            status(Raw(port,
                       "POST /login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100000\r\n\r\n" +
                           QByteArray(100000, 'a'),
                       3000, &closed)),
            QByteArray("HTTP/1.1 413"));
        QVERIFY(closed);
        QCOMPARE(status(Raw(port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Long: " +
                                      QByteArray(70000, 'b') + "\r\n\r\n")),
                 QByteArray("HTTP/1.1 413"));

        // A client that never finishes its request, or sends nothing or garbage: dropped.
        for (const QByteArray &slow : {QByteArray("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"),
                                       QByteArray(), QByteArray("\x16\x03\x01 garbage\r\n\r\n")}) {
            const QByteArray answer = Raw(port, slow, 3000, &closed);
            QVERIFY2(closed, slow.constData());
            QVERIFY2(!answer.startsWith("HTTP/1.1 200"), slow.constData());
        }
        // A session unused for eight hours is over.
        Client client(port);
        client.send("POST", QStringLiteral("/login"), "user=ivan&password=secret");
        const auto user = [&] {
            return client.get(QStringLiteral("/api/v1/status"))
                .json()
                .object()
                .value("session")
                .toObject()
                .value("user");
        };
        QCOMPARE(user(), QJsonValue(QStringLiteral("ivan")));
        Clock::advance((8 * 3600 + 1) * 1000LL);
        const QJsonValue expired = user();
        Clock::reset();
        QVERIFY(expired.isNull());

        // The connections left behind are gone; the view still answers.
        QVERIFY(WaitUntil([&] { return web.server()->guard().connections() == 0; }, 3000));
        QCOMPARE(status(Raw(port, "GET /api/v1/status HTTP/1.1\r\nHost: localhost\r\n\r\n", 300)),
                 QByteArray("HTTP/1.1 200"));
    }

    // With a certificate and key the view speaks HTTPS only: its cookie is Secure and it asks
    // browsers to stay on HTTPS; a plain request gets no HTTP answer.
    void httpsWithCertificate()
    {
        QTemporaryDir dir;
        const QString cert = dir.filePath(QStringLiteral("web.crt"));
        const QString key = dir.filePath(QStringLiteral("web.key"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                       "-days", "1", "-keyout", key, "-out", cert});
        QVERIFY(openssl.waitForFinished(20000) && openssl.exitCode() == 0);
        const auto port = quint16(test::FreeLoopbackPort());
        WriteStation(dir.path(), {},
                     QStringLiteral("Enabled=1\nPort=%1\nCertFile=%2\nKeyFile=%3\n")
                         .arg(port)
                         .arg(cert, key));
        WebStation s(dir.path());
        WebView web(s.station, s.cycle, nullptr);
        QVERIFY(web.start());
        QVERIFY(CountJournal(s.station, QStringLiteral("Веб-доступ открыт: https://")) == 1);

        const QByteArray status =
            RawTls(port, "GET /api/v1/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QVERIFY(status.startsWith("HTTP/1.1 200"));
        QVERIFY(status.contains("\r\nStrict-Transport-Security: max-age="));
        const QByteArray login =
            RawTls(port, "POST /login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                         "application/x-www-form-urlencoded\r\nContent-Length: 25\r\n\r\n"
                         "user=ivan&password=secret");
        QVERIFY(login.contains("\r\nLocation: /\r\n"));
        QVERIFY(login.contains("; Secure"));
        QVERIFY(!Raw(port, "GET /api/v1/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 1000)
                     .startsWith("HTTP/1.1 200"));
    }

    // [WEB] as the operator may write it: what is taken, what is named in the journal.
    void settings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<int>("users");
        const QString user = QStringLiteral("[WEBUSERS]\nivan=") +
                             HashPassword(QStringLiteral("x"), 1000) +
                             QStringLiteral("\npetr=plain\nolga=\n");
        QTest::newRow("absent") << QString() << false << QStringList() << 0;
        QTest::newRow("off") << "[WEB]\nEnabled=0\nPort=x\n" << false << QStringList() << 0;
        QTest::newRow("on") << "[WEB]\nEnabled=1\n" + user << true << QStringList{"WEBUSERS/petr"}
                            << 1;
        QTest::newRow("bad switch") << "[WEB]\nEnabled=yes\n"
                                    << false << QStringList{"WEB/Enabled"} << 0;
        QTest::newRow("bad port") << "[WEB]\nEnabled=1\nPort=70000\n"
                                  << false << QStringList{"WEB/Port"} << 0;
        QTest::newRow("bad bind") << "[WEB]\nEnabled=1\nBind=localhost\n"
                                  << false << QStringList{"WEB/Bind"} << 0;
        QTest::newRow("cert without key") << "[WEB]\nEnabled=1\nCertFile=/etc/hostname\n"
                                          << false << QStringList{"WEB/KeyFile"} << 0;
        QTest::newRow("missing cert") << "[WEB]\nEnabled=1\nCertFile=/nowhere\nKeyFile=/nowhere\n"
                                      << false << QStringList{"WEB/CertFile"} << 0;
        QTest::newRow("bad anonymous") << "[WEB]\nEnabled=1\nAnonymous=2\n"
                                       << true << QStringList{"WEB/Anonymous"} << 0;
    }
    void settings()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Zeltar.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0);
        file.close();
        IniFile ini(file.fileName());
        QStringList errors;
        const WebSettings settings = WebSettings::read(ini, &errors);
        QTEST(settings.Enabled, "enabled");
        QTEST(errors, "errors");
        QTEST(int(settings.users.size()), "users");
        QVERIFY(!settings.Anonymous);
        if (!settings.users.isEmpty())
            QVERIFY(PasswordMatches(settings.users.value("ivan"), QStringLiteral("x")) &&
                    !PasswordMatches(settings.users.value("ivan"), QStringLiteral("X")));
    }

    // zeltarctl web-user asks twice and keeps only the hash; a mismatch writes nothing, and
    // --delete takes the user away.
    void webUserCommand()
    {
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("Zeltar.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("[MAIN]\nCountUstr=0\n") > 0);
        ini.close();
        const auto run = [&](const QStringList &args, const QByteArray &input) {
            QProcess ctl;
            ctl.start(QStringLiteral(ZELTARCTL_PATH), QStringList{"--dir", dir.path()} + args);
            ctl.write(input);
            ctl.closeWriteChannel();
            ctl.waitForFinished(20000);
            return ctl.exitCode();
        };
        QCOMPARE(run({"web-user", "ivan"}, "one\ntwo\n"), 1);
        QCOMPARE(run({"web-user", "bad name"}, "x\nx\n"), 3);
        QCOMPARE(run({"web-user", "Ivan"}, "пароль 1\nпароль 1\n"), 0);
        IniFile read(ini.fileName());
        const QString stored = read.readString(WebUsersSection, QStringLiteral("Ivan"), QString());
        QVERIFY(!stored.contains(QStringLiteral("пароль")));
        QVERIFY(PasswordMatches(stored, QStringLiteral("пароль 1")));
        QCOMPARE(run({"web-user", "IVAN", "--delete"}, ""), 0);
        QStringList errors;
        QVERIFY(WebSettings::read(IniFile(ini.fileName()), &errors).users.isEmpty());
    }
};

QTEST_GUILESS_MAIN(WebTest)
#include "test_web.moc"
