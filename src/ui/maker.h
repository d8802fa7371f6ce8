#pragma once

#include <QString>

namespace zeltar {

// Where the operator reaches the maker of the station: the about box, the web and mail
// buttons of the main window. One place to change for a distribution.
inline const QString MakerWebAddress = QStringLiteral("https://zeltar.example/");
inline const QString MakerMail = QStringLiteral("support@zeltar.example");

inline const QString StationVersion = QStringLiteral("2.33");

} // namespace zeltar
