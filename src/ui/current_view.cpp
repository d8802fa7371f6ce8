#include "ui/current_view.h"

#include "core/number_text.h"

namespace zeltar {

namespace {

const QString NoValue = QStringLiteral("----");

} // namespace

CurrentView CurrentViewOf(const InstrumentSettings &device, const DevicePollState &poll,
                          bool oprRun)
{
    CurrentView view;
    view.stPribName = device.PribName;
    const std::array<float, 4> setpoints = {device.PribUst1, device.PribUst2, device.PribUst3,
                                            device.PribUst4};
    for (size_t i = 0; i < setpoints.size(); ++i)
        view.stUst[i] = FormatNumber(setpoints[i]);

    if (device.PribVkl == 0 || !oprRun) {
        view.stVkl = QStringLiteral("Состояние: Прибор отключен");
        view.stPribZnac = NoValue;
        view.stPribNomReg = NoValue;
        return view;
    }
    if (poll.PribNoLink == 1) {
        view.stVkl = QStringLiteral("Состояние: Нет связи");
        view.vklRed = true;
        view.stPribZnac = NoValue;
        view.stPribNomReg = NoValue;
        return view;
    }

    view.stVkl = QStringLiteral("Состояние: Прибор работает");
    view.stPribNomReg = QString::number(poll.PribNomReg);
    if (poll.PribZnac == SensorBreakValue) {
        view.stPribZnac = QStringLiteral("Обрыв");
        view.znacRed = true;
        return view;
    }
    view.stPribZnac = FormatNumber(poll.PribZnac);
    // Bit 3 belongs to setpoint 1, bit 0 to setpoint 4.
    for (size_t i = 0; i < view.ustRed.size(); ++i)
        view.ustRed[i] = poll.PribRele & (1 << (3 - i));
    return view;
}

} // namespace zeltar
