#pragma once

#include "config/configuration.h"
#include "config/ini_file.h"
#include "instrument/instrument_settings.h"

#include <QList>
#include <QString>

namespace zeltar {

// Image numbers of the device tree nodes.
constexpr int ImageDataRoot = 0;     // root of twData
constexpr int ImageSettingsRoot = 3; // root of twNastr
constexpr int ImageDevice = 7;       // enabled device; every device in twNastr
constexpr int ImageDeviceOff = 13;   // device that is not polled
constexpr int ImageDeviceNoLink = 14;

// One node of a device tree: node 0 is the root, node n is device n.
struct TreeNode
{
    QString text;
    int image = 0;
};

// A new device's settings under the given name.
InstrumentSettings NewDeviceSettings(const QString &name);

// "Новое устройство", or "Новое устройство " and one more than the highest number that
// follows that text in the names of devices 1 to count.
QString NextDefaultName(const DeviceTable &table, int count);

// The list of configured devices, 1 to CountUstr, and its two trees. Every change is in
// the configuration file when the call returns, or reported as not written.
class DeviceList
{
public:
    DeviceList(IniFile &ini, ProgramSettings &settings, DeviceTable &table)
        : m_ini(ini), m_settings(settings), m_table(table)
    {}

    struct AddResult
    {
        int device = 0;      // number of the new device, 0 when refused
        QString refusal;     // message for the operator when refused
        bool written = true; // false when the configuration file could not be written
    };

    // Appends a device with the new-device settings and the next default name.
    AddResult Add();

    // Deletes device d (already confirmed by the operator); the later devices move down.
    // Returns the node to select afterwards (0: the root). A d outside 1 to CountUstr
    // changes nothing. *written (when given) is false when the configuration file could not
    // be written; the list in memory has changed all the same.
    int Delete(int d, bool *written = nullptr);

    // twData: root "Программа", devices with image 7 when enabled, else 13. *countVkl gets
    // the number of enabled devices.
    QList<TreeNode> MainTree(int *countVkl) const;
    // twNastr: root "Программа" with image 3, every device image 7.
    QList<TreeNode> SettingsTree() const;

private:
    IniFile &m_ini;
    ProgramSettings &m_settings;
    DeviceTable &m_table;
};

} // namespace zeltar
