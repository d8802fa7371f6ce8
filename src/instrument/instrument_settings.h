#pragma once

#include <QString>

#include <array>

namespace zeltar {

constexpr int MaxDevices = 16; // room in the device table
constexpr int MaxProgramSteps = 30;
constexpr int ProgramEndHours = 255; // Hours of the entry after the last step

// One step of a regulation program.
struct ProgramStep
{
    quint8 Hours = 0;
    quint8 Minutes = 0; // 0 to 59
    float Value = 0.0f;
};

// Everything the station knows of one instrument. PribName, PribVkl and PribPort belong
// to the station; every other field mirrors the instrument's holding registers.
struct InstrumentSettings
{
    QString PribName;
    quint8 PribVkl = 0;  // 1: polled
    quint8 PribPort = 1; // COM1 to COM8
    quint8 PribBaud = 0; // baud index 0 to 6
    quint8 PribAdr = 0;  // Modbus slave address 0 to 99
    quint8 PribType = 0; // sensor type 0 to 16
    quint8 PribDiap = 0; // range index within the sensor type
    quint8 PribTypeReg = 0;
    quint8 PribPeriod = 0;
    float PribUst1 = 0, PribUst2 = 0, PribUst3 = 0, PribUst4 = 0;
    float PribGist1 = 0, PribGist2 = 0, PribGist3 = 0, PribGist4 = 0;
    float PribPoprDat = 0;
    float PribPoprXC = 0;
    float PribM1 = 0;
    float PribM2 = 0;
    quint8 PribM = 0;
    quint8 PribSostRele = 0;
    quint8 PribZap = 0;
    qint16 PribPeriodArh = 0;
    float PribKp = 0, PribKi = 0, PribKd = 0;
    float PribRegZnac = 0;
    float PribPerZap = 0;
    float PribKo = 0;
    float PribTrZap = 0;
    float PribTimePer = 0;
    float PribDlitImp = 0;
    quint8 PribRegUpr = 0;
    quint8 PribRegRele = 0;
    quint8 PribPoint = 0; // number of program steps 0 to 30
    // Entries 1 to PribPoint are Program[0] to Program[PribPoint - 1]; the entry after
    // the last step holds the end marker, so a program of 30 steps still has one.
    std::array<ProgramStep, MaxProgramSteps + 1> Program{};
};

} // namespace zeltar

namespace zeltar {

// The configured instruments, numbered 1 to 16, and the staging record in which reads,
// writes and the settings window collect values before they are committed.
struct DeviceTable
{
    std::array<InstrumentSettings, MaxDevices> devices{};
    InstrumentSettings staging;

    InstrumentSettings &device(int n) { return devices.at(static_cast<size_t>(n - 1)); }
    const InstrumentSettings &device(int n) const { return devices.at(static_cast<size_t>(n - 1)); }
};

} // namespace zeltar
