#include "attr/attr.h"
#include "monitors/monitors.h"

namespace {
// hwmon sysfs-interface: fanN_input is the fan's speed in RPM. The first device
// whose file opens is the one reported, whatever the file then holds.
constexpr const char *fan_paths[] = {
    "/sys/devices/virtual/hwmon/hwmon0/fan1_input",
    "/sys/devices/virtual/hwmon/hwmon1/fan1_input",
    "/sys/devices/virtual/hwmon/hwmon2/fan1_input",
};
} // namespace

int cpu_mon()
{
    attr_io io;
    std::FILE *fan = nullptr;
    for (const char *path : fan_paths) {
        fan = attr_open(path, io);
        if (fan != nullptr) {
            break;
        }
    }
    if (fan == nullptr) {
        std::fputs("Cannot read fan RPM\n", stdout);
        return 1;
    }
    attr_buf buf = {};
    attr_read_last(fan, buf);
    attr_close(fan);
    std::printf("FAN rpm: %d\n", attr_to_int(buf));
    return 0;
}
