#pragma once

#include <QByteArray>
#include <QString>

namespace zeltar {

// Web users' passwords as kept in Zeltar.ini: PBKDF2 with HMAC-SHA-256 over a random salt,
// written "pbkdf2-sha256:ITERATIONS:SALT:HASH" with salt and hash in Base64, so that the
// work factor can grow without making the stored hashes unreadable.
constexpr int PasswordIterations = 100000;

QString HashPassword(const QString &password, int iterations = PasswordIterations);
// Whether stored is a hash of this form with a sane work factor.
bool PasswordHashReadable(const QString &stored);
// Whether password is the one stored was made from; compares in constant time.
bool PasswordMatches(const QString &stored, const QString &password);

} // namespace zeltar
