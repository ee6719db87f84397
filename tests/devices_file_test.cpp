// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup's devices, in process: a devices file written and read back, what
// each wrong line or value is refused as, and when a trivane's slots read the
// devices a machine has now.
#include "setup/devices.h"
#include "setup/shown.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char header[] = "# trivane's devices, as trivane-detect found them on this machine: for\n"
                      "# trivane-setup --devices FILE, or cmake -C FILE for a build.\n";

std::string detected(const std::string &fans, const std::string &battery,
                     const std::string &not_found = "", const std::string &ac = "AC")
{
    return std::string(header) +
           (not_found.empty() ? "" : "# not found, the default kept: " + not_found + "\n") +
           "set(TRIVANE_FAN_FILES \"" + fans +
           "\" CACHE STRING \"\" FORCE)\n"
           "set(TRIVANE_BACKLIGHT \"intel_backlight\" CACHE STRING \"\" FORCE)\n"
           "set(TRIVANE_AC \"" +
           ac +
           "\" CACHE STRING \"\" FORCE)\n"
           "set(TRIVANE_BATTERY \"" +
           battery +
           "\" CACHE STRING \"\" FORCE)\n"
           "set(TRIVANE_BATTERY_UNITS \"energy\" CACHE STRING \"\" FORCE)\n";
}

// The fan files of a device found as hwmonN, then its other numbers.
std::string fans(int n)
{
    const std::string dir = "/sys/devices/platform/thinkpad_hwmon/hwmon/hwmon";
    std::string list = dir + std::to_string(n) + "/fan1_input";
    for (int i = 0; i < 16; ++i) {
        list += i == n ? "" : ";" + dir + std::to_string(i) + "/fan1_input";
    }
    return list;
}

// The slots of a devices file's text.
device_paths slots_of(const std::string &file)
{
    std::string copy = file;
    devices d;
    devices_problem why;
    device_paths p = {};
    EXPECT_TRUE(parse_devices(copy.data(), d, why) && fill(p, d, why)) << file;
    return p;
}

TEST(DevicesFile, WrittenAsTheDetectorWritesItAndReadBack)
{
    for (const std::string &file :
         {detected(fans(4), "BAT0;BAT1"), detected(fans(0), "BAT0", "backlight ac battery")}) {
        std::string copy = file;
        devices d;
        devices_problem why;
        ASSERT_TRUE(parse_devices(copy.data(), d, why)) << file;
        char out[8192];
        const size_t size = devices_text(d, header, out, sizeof out);
        EXPECT_EQ(file, std::string(out, size));
        EXPECT_EQ(0U, devices_text(d, header, out, file.size())) << "a text cut short";
    }
}

TEST(DevicesFile, BlankLinesAndALastLineWithoutItsNewline)
{
    std::string file = detected(fans(4), "BAT0");
    file.insert(file.find("set("), "\n\n");
    file.pop_back();
    devices d;
    devices_problem why;
    ASSERT_TRUE(parse_devices(file.data(), d, why)) << file;
    EXPECT_STREQ("energy", d.units);
    char cut[16];
    EXPECT_EQ(0U, devices_text(d, header, cut, sizeof cut)) << "a text cut short early";
}

TEST(DevicesFile, EachWrongFileIsRefusedForItsReason)
{
    const struct {
        std::string file;
        devices_fault fault;
        const char *words;
    } rows[] = {
        {"garbage\n", devices_fault::not_a_line,
         "F is not a file that trivane-detect wrote: 'garbage'."},
        {"set(TRIVANE_AC \"AC\" CACHE STRING \"\")\n", devices_fault::not_a_line, nullptr},
        {"set(TRIVANE_AC\" CACHE STRING \"\" FORCE)\n", devices_fault::not_a_line, nullptr},
        {detected(fans(4), "BAT0") + "set(TRIVANE_FOO \"x\" CACHE STRING \"\" FORCE)\n",
         devices_fault::unknown_option, "F sets TRIVANE_FOO, which is no device option."},
        {"set(TRIVANE_AC \"AC\" CACHE STRING \"\" FORCE)\n", devices_fault::option_missing,
         "F does not set TRIVANE_FAN_FILES: write it anew with trivane-detect -o F."},
        {std::string("set(\x1b[2J \"x\" CACHE STRING \"\" FORCE)\n"), devices_fault::unknown_option,
         "F sets ?[2J, which is no device option."},
    };
    for (const auto &row : rows) {
        std::string copy = row.file;
        devices d;
        devices_problem why;
        EXPECT_FALSE(parse_devices(copy.data(), d, why)) << row.file;
        EXPECT_EQ(row.fault, why.fault) << row.file;
        char words[1024];
        devices_words(why, "F", words, sizeof words);
        if (row.words != nullptr) {
            EXPECT_STREQ(row.words, words);
        }
    }
}

TEST(DevicesFile, EachWrongValueIsRefusedForItsReason)
{
    const std::string long_name(124, 'b'); // /sys/class/backlight/NAME/max_brightness: 160 bytes
    const struct {
        const char *option;
        std::string value;
        devices_fault fault;
    } rows[] = {
        {"TRIVANE_BACKLIGHT", "a b", devices_fault::bad_name},
        {"TRIVANE_AC", "..", devices_fault::bad_list},
        {"TRIVANE_AC", "AC;;USB", devices_fault::bad_list},
        {"TRIVANE_AC", "AC;USB0;USB1;" + std::string(128, 'U'), devices_fault::none},
        {"TRIVANE_AC", "AC;USB0;USB1;" + std::string(129, 'U'), devices_fault::path_too_long},
        {"TRIVANE_AC", "A1;A2;A3;A4;A5", devices_fault::too_many_names},
        {"TRIVANE_BACKLIGHT", long_name, devices_fault::path_too_long},
        {"TRIVANE_BACKLIGHT", long_name.substr(1), devices_fault::none},
        {"TRIVANE_AC", std::string(130, 'A'), devices_fault::path_too_long},
        {"TRIVANE_BATTERY_UNITS", "charges", devices_fault::bad_units},
        {"TRIVANE_BATTERY", "BAT0;", devices_fault::bad_list},
        {"TRIVANE_BATTERY", "B1;B2;B3;B4;B5", devices_fault::too_many_names},
        {"TRIVANE_FAN_FILES", "", devices_fault::no_fan_file},
        {"TRIVANE_FAN_FILES", "/sys/a/./b", devices_fault::bad_fan_file},
        {"TRIVANE_FAN_FILES", fans(1) + ";/sys/f", devices_fault::none},
        {"TRIVANE_FAN_FILES", fans(1) + ";/sys/f;/sys/g", devices_fault::too_many_fan_files},
    };
    for (const auto &row : rows) {
        std::string file = detected(fans(4), "BAT0");
        const std::string start = std::string("set(") + row.option + " \"";
        const size_t at = file.find(start) + start.size();
        file.replace(at, file.find('"', at) - at, row.value);
        devices d;
        devices_problem why;
        device_paths p = {};
        ASSERT_TRUE(parse_devices(file.data(), d, why)) << file;
        EXPECT_EQ(row.fault == devices_fault::none, fill(p, d, why)) << row.value;
        EXPECT_EQ(row.fault, why.fault) << row.option << " " << row.value;
    }
}

// A copy made at one boot, judged at another: it reads the machine's devices where
// it tries the fan found and has every battery found.
TEST(DevicesFit, ACopyFitsAcrossABootAndWithABatteryOut)
{
    const device_paths copy = slots_of(detected(fans(4), "BAT0;BAT1"));
    const struct {
        const char *what;
        std::string now;
        bool reads;
        unsigned extras;
    } rows[] = {
        {"the same devices", detected(fans(4), "BAT0;BAT1"), true, 0},
        {"the fan numbered anew", detected(fans(6), "BAT0;BAT1"), true, 0},
        {"the second battery out", detected(fans(4), "BAT0"), true, 1},
        {"the first battery out", detected(fans(4), "BAT1"), true, 1},
        {"a battery the copy lacks", detected(fans(4), "BAT0;BAT1;BAT2"), false, 0},
        {"another fan", detected("/sys/devices/platform/it87/hwmon/hwmon2/fan1_input", "BAT0;BAT1"),
         false, 0},
    };
    for (const auto &row : rows) {
        const fitting f = fit(copy, slots_of(row.now));
        EXPECT_EQ(row.reads, f.reads) << row.what;
        EXPECT_EQ(row.extras, f.extras) << row.what;
    }
    std::string other = detected(fans(4), "BAT0;BAT1");
    other.replace(other.find("\"AC\""), 4, "\"ACAD\"");
    EXPECT_FALSE(fit(copy, slots_of(other)).reads) << "another adapter";
    other = detected(fans(4), "BAT0;BAT1");
    other.replace(other.find("intel_backlight"), 15, "acpi_video0");
    EXPECT_FALSE(fit(copy, slots_of(other)).reads) << "another backlight";
    EXPECT_EQ(1U, fit(copy, slots_of(detected(fans(4), "BAT0"))).extra[0]) << "BAT1's slot";
    const device_paths four = slots_of(detected(fans(4), "BAT0;BAT1;BAT2;BAT3"));
    EXPECT_TRUE(fit(four, copy).reads) << "a copy of four batteries, two of them out";
    EXPECT_EQ(2U, fit(four, copy).extras) << "a copy of four batteries, two of them out";
}

TEST(DevicesFit, TheSameDevicesAreTheSameSlotsInTheSameOrder)
{
    const device_paths copy = slots_of(detected(fans(4), "BAT0;BAT1"));
    EXPECT_TRUE(same_devices(copy, slots_of(detected(fans(4), "BAT0;BAT1"))));
    EXPECT_FALSE(same_devices(copy, slots_of(detected(fans(6), "BAT0;BAT1"))));
    EXPECT_FALSE(same_devices(copy, slots_of(detected(fans(4), "BAT1;BAT0"))));
}

// Of several adapters the first online is shown: a copy reads the chargers found
// only where it reads them all, in the order found.
TEST(DevicesFit, AdaptersAllAndInTheirOrder)
{
    const auto with = [](const char *adapters) {
        return slots_of(detected(fans(4), "BAT0", "", adapters));
    };
    const device_paths copy = with("CROS_USBPD_CHARGER0;CROS_USBPD_CHARGER1");
    EXPECT_TRUE(fit(copy, with("CROS_USBPD_CHARGER0;CROS_USBPD_CHARGER1")).reads);
    EXPECT_FALSE(fit(copy, with("CROS_USBPD_CHARGER1;CROS_USBPD_CHARGER0")).reads);
    EXPECT_FALSE(fit(copy, with("CROS_USBPD_CHARGER0")).reads);
    EXPECT_FALSE(
        fit(copy, with("CROS_DEDICATED_CHARGER;CROS_USBPD_CHARGER0;CROS_USBPD_CHARGER1")).reads);
    EXPECT_FALSE(same_devices(copy, with("CROS_USBPD_CHARGER1;CROS_USBPD_CHARGER0")));
}

TEST(Shown, PrintableAsciiOnlyAndCutShort)
{
    EXPECT_STREQ("a?[31mb???", shown("a\x1b[31mb\xc2\xb5\x7f").text);
    const std::string cut = shown(std::string(SHOWN_MAX, 'x').c_str()).text;
    EXPECT_EQ(SHOWN_MAX - 1, cut.size());
    EXPECT_EQ("...", cut.substr(cut.size() - 3));
    EXPECT_EQ(SHOWN_MAX - 1, std::strlen(shown(std::string(SHOWN_MAX - 1, 'x').c_str()).text));
}

} // namespace
