#include "web/web_password.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

#include <optional>

namespace zeltar {

namespace {

const QString Scheme = QStringLiteral("pbkdf2-sha256");
constexpr int SaltBytes = 16;
constexpr int HashBytes = 32;
constexpr int MinIterations = 1000;
constexpr int MaxIterations = 10000000;

struct StoredHash
{
    int iterations = 0;
    QByteArray salt;
    QByteArray hash;
};

std::optional<StoredHash> parse(const QString &stored)
{
    const QStringList parts = stored.split(QLatin1Char(':'));
    if (parts.size() != 4 || parts.at(0) != Scheme)
        return std::nullopt;
    StoredHash h;
    bool ok = false;
    h.iterations = parts.at(1).toInt(&ok);
    const auto salt = QByteArray::fromBase64Encoding(parts.at(2).toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    const auto hash = QByteArray::fromBase64Encoding(parts.at(3).toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    if (!ok || h.iterations < MinIterations || h.iterations > MaxIterations || !salt || !hash ||
        salt.decoded.size() < 8 || hash.decoded.size() != HashBytes)
        return std::nullopt;
    h.salt = salt.decoded;
    h.hash = hash.decoded;
    return h;
}

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              iterations, HashBytes);
}

} // namespace

QString HashPassword(const QString &password, int iterations)
{
    QByteArray salt(SaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()),
                                          SaltBytes / int(sizeof(quint32)));
    return QStringLiteral("%1:%2:%3:%4")
        .arg(Scheme)
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()),
             QString::fromLatin1(derive(password, salt, iterations).toBase64()));
}

bool PasswordHashReadable(const QString &stored)
{
    return parse(stored).has_value();
}

bool PasswordMatches(const QString &stored, const QString &password)
{
    const std::optional<StoredHash> h = parse(stored);
    if (!h)
        return false;
    const QByteArray given = derive(password, h->salt, h->iterations);
    unsigned char difference = 0;
    for (int i = 0; i < HashBytes; ++i)
        difference |= static_cast<unsigned char>(given.at(i) ^ h->hash.at(i));
    return difference == 0;
}

} // namespace zeltar
