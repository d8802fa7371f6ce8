#include "instrument/value_tables.h"

#include "link/timing.h"

namespace zeltar {

// The unit letters "B" (volt) and "C" (degrees Celsius) in the range texts are Latin
// letters, as the instrument's documentation prints them; "мА" is Cyrillic.

namespace {

QStringList ThermocoupleKRanges()
{
    return {"(0...400) C",   "(0...600) C",    "(0...800) C",   "(0...900) C",
            "(0...1100) C",  "(0...1300) C",   "(200...600) C", "(200...1200) C",
            "(400...900) C", "(600...1100) C", "(700...1300) C"};
}

QStringList PlatinumRanges()
{
    return {"(-120...30) C", "(-70...180) C", "(0...100) C",  "(0...150) C",  "(0...200) C",
            "(0...300) C",   "(0...400) C",   "(50...150) C", "(200...500) C"};
}

QStringList CopperRanges()
{
    return {"(-50...50) C", "(-50...100) C", "(0...100) C", "(0...180) C"};
}

} // namespace

QStringList SensorTypeNames()
{
    return {"Ток",
            "Напряжение",
            "Термопара S",
            "Термопара K",
            "Термопара L",
            "Термопара B",
            "Термопара A1",
            "Термопара N",
            "Термопара J",
            "ТСП100 (1,3910)",
            "ТСП100 (1,3850)",
            "ТСМ100(1.4280)",
            "ТСП50 (1,3910)",
            "ТСМ50(1.4280)",
            "РК15",
            "РК20",
            "РС20"};
}

QStringList SensorRanges(int type)
{
    switch (type) {
    case 0:
        return {"(0...5) мА", "(4...20) мА"};
    case 1:
        return {"(0...10) мB", "(0...100) мB", "(0...1) B"};
    case 2:
        return {"(0...1300) C", "(0...1600) C", "(500...1300) C"};
    case 3:
    case 7:
        return ThermocoupleKRanges();
    case 4:
        return {"(-50...50) C", "(-50...150) C", "(-50...200) C", "(0...100) C",   "(0...200) C",
                "(0...300) C",  "(0...400) C",   "(0...600) C",   "(200...600) C", "(200...800) C"};
    case 5:
        return {"(300...1000) C", "(1000...1600) C", "(500...1800) C", "(1000...1800) C"};
    case 6:
        return {"(-100...1000) C"};
    case 8:
        return {"(0...2200) C"};
    case 9:
    case 10:
    case 12:
        return PlatinumRanges();
    case 11:
    case 13:
        return CopperRanges();
    case 14:
        return {"(700...1500) C"};
    case 15:
        return {"(800...1900) C"};
    case 16:
        return {"(900...2000) C"};
    default:
        return {};
    }
}

bool MeasuresTemperature(int type)
{
    return type >= 2 && type < SensorTypeCount;
}

QStringList PortTexts()
{
    QStringList texts;
    for (int port = 1; port <= 8; ++port)
        texts << QStringLiteral("COM%1").arg(port);
    return texts;
}

QStringList BaudTexts()
{
    QStringList texts;
    for (int b = 0; b < BaudIndexCount; ++b)
        texts << BaudText(b);
    return texts;
}

QStringList PeriodTexts()
{
    return {"1 ч",  "2 ч",  "4 ч",   "8 ч",   "12 ч",  "24 ч", "48 ч",
            "72 ч", "96 ч", "120 ч", "144 ч", "168 ч", "192 ч"};
}

QStringList RegulationLawTexts()
{
    return {"Нет", "ПИД-С", "ПИД-S", "ПИД-Н/С", "ON/OFF"};
}

QStringList DecimalPointTexts()
{
    return {"00000", "0000,0", "000,00", "00,000", "0,0000"};
}

QStringList ConnectionTexts()
{
    return {"3х", "4х"};
}

QStringList ContactStateTexts()
{
    return {"Замкнуто", "Разомкнуто"};
}

QStringList SetpointTypeTexts()
{
    return {"Больше", "Меньше"};
}

QStringList RegulationModeTexts()
{
    return {"Значение", "Программа"};
}

} // namespace zeltar
