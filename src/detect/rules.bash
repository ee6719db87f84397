# shellcheck shell=bash disable=SC2034 # the options it finds are for trivane-detect to write
# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# trivane-detect's rules: how it reads /sys, how it finds each device, and what
# it says of each. trivane-detect sources this file in the source tree; the build
# writes it into the installed trivane-detect in place of that line. The functions
# read the tree through sys, its real path, which trivane-detect sets.

# Each name and path a build takes: the characters of sysfs names, and no others,
# within the 159 bytes of a slot (cmake/devices.cmake and trivane-setup hold the
# same rules).
name_chars='[A-Za-z0-9._:+@,=~-]'
slot=159
safe_name() { [[ $1 =~ ^$name_chars+$ && $1 != . && $1 != .. ]]; }
safe_path() { [[ $1 =~ ^(/$name_chars+)+$ && ! $1 =~ /\.\.?(/|$) ]]; }
# TEXT as it may be shown on a terminal: printable ASCII, at most 40 characters.
shown() {
    local t=${1//[^[:print:]]/?}
    [ ${#t} -le 40 ] || t=${t:0:37}...
    REPLY=$t
}
# The /sys path of a path in the tree.
as_sys() { REPLY=/sys${1#"$sys"}; }
# The real path of a folder, in the tree; fails on a broken link or a loop.
resolve() { cd -P -- "$1" 2>/dev/null && [[ $PWD == "$sys"/* ]] && REPLY=$PWD; }

# FILE's text, at most one page (sysfs values are never longer), in TEXT, and its
# first line without the blanks around it in REPLY; else false, with the reason
# in WHY. Only a regular file is opened, and a read that does not answer in 2
# seconds fails.
attr() {
    local fd status
    REPLY="" WHY="" TEXT=""
    if [ ! -e "$1" ]; then WHY="is missing"; return 1; fi
    if [ -d "$1" ]; then WHY="is a folder"; return 1; fi
    if [ ! -f "$1" ]; then WHY="is not a regular file"; return 1; fi
    { exec {fd}<"$1"; } 2>/dev/null || { WHY="cannot be opened (not readable by this user)"; return 1; }
    IFS= read -r -d '' -t 2 -n 4096 -u "$fd" TEXT 2>/dev/null
    status=$?
    exec {fd}<&-
    if [ $status -gt 128 ]; then WHY="gave no answer in 2 seconds"; return 1; fi
    REPLY=${TEXT%%$'\n'*}
    REPLY=${REPLY#"${REPLY%%[! $'\t']*}"}
    REPLY=${REPLY%"${REPLY##*[! $'\t']}"}
    [ -n "$REPLY" ] || { WHY="gives no value when read"; return 1; }
}
# number first|last FILE: FILE holds a number that trivane reads whole, in
# REPLY, in base 10 (08 is eight). The battery's pair is read by its first chunk
# of nine characters, so up to nine digits; the fan's and backlight's files by
# their last, so the whole line, the newline counted, must be one chunk.
number() {
    attr "$2" || return
    if { [ "$1" = first ] && [[ $TEXT =~ ^([0-9]{1,9})($'\n'|$) ]]; } ||
        { [ "$1" = last ] && [ ${#TEXT} -le 9 ] && [[ $TEXT =~ ^([0-9]+)$'\n'?$ ]]; }; then
        REPLY=$((10#${BASH_REMATCH[1]}))
        return
    fi
    shown "$REPLY"
    if [ "$1" = first ]; then
        WHY="holds \"$REPLY\", not a number of at most nine digits"
    else
        WHY="holds \"$REPLY\", not a number of at most eight digits (trivane reads nine characters, the newline counted)"
    fi
    return 1
}

# The names in a class folder, in NAMES, with numbers in order (hwmon2 before
# hwmon10), never in the order the folder lists them.
entries() {
    local paths=("$sys/class/$1"/*)
    NAMES=()
    [ ${#paths[@]} -gt 0 ] || return 0
    mapfile -t -d '' NAMES < <(printf '%s\0' "${paths[@]##*/}" | sort -zV)
}

# What was passed over, grouped by reason, in the order first met.
reasons=()
declare -A passed_names=()
# pass REASON NAME [NOTE]: NAME, with NOTE in brackets, was passed over for REASON.
pass() {
    local reason=$1
    shown "$2"
    [ -n "${passed_names[$reason]+set}" ] || reasons+=("$reason")
    passed_names[$reason]+="${passed_names[$reason]:+, }$REPLY${3:+ ($3)}"
}
# TEXT on lines of at most 80 columns, the later ones indented by four.
wrap() {
    local words word line="" indent=$2
    read -r -a words <<<"$1"
    for word in "${words[@]}"; do
        if [ -z "$line" ]; then line=$indent$word
        elif [ $((${#line} + 1 + ${#word})) -le 80 ]; then line+=" $word"
        else printf '%s\n' "$line" >&2; line="$indent    $word"
        fi
    done
    printf '%s\n' "$line" >&2
}
# report DEVICE WHAT [DETAIL...]: the device's lines on standard error.
report() {
    local device=$1 detail reason
    wrap "$device: $2" ""
    shift 2
    for detail; do wrap "$detail" "  "; done
    for reason in "${reasons[@]}"; do wrap "passed over, $reason: ${passed_names[$reason]}" "  "; done
    reasons=() passed_names=()
}

# The device's options, defaults first, and the devices found nowhere.
fan_files=(/sys/devices/virtual/hwmon/hwmon{0,1,2}/fan1_input)
backlight=intel_backlight ac=AC battery=BAT0 units=charge
not_found=()
# A /sys path a build can hold in a slot; else the reason in WHY.
fits() {
    [ ${#1} -le $slot ] && return
    WHY="its path is too long for a build (${#1} bytes, where a build keeps $slot)"
    return 1
}

# hwmon sysfs-interface: fan1_input in the hwmon device, or with old drivers in its
# parent device. The machine's own fan before one on a PCI card (a graphics
# card's), then the lowest number.
fan() {
    local name real file driver what own=() card=() files=() i chosen dir longest
    local -A c_file=() c_rpm=() c_driver=()
    entries hwmon
    for name in "${NAMES[@]}"; do
        [[ $name =~ ^hwmon[0-9]+$ ]] || continue
        resolve "$sys/class/hwmon/$name" || { pass "not a device folder (a broken link)" "$name"; continue; }
        real=$REPLY
        driver="no name"
        ! attr "$real/name" || driver=$REPLY
        file=$real/fan1_input
        if [ ! -e "$file" ] && [ -e "$real/device/fan1_input" ] && resolve "$real/device"; then
            file=$REPLY/fan1_input
        fi
        if [ ! -e "$file" ]; then pass "no fan (a sensor only)" "$driver" "$name"; continue; fi
        if ! number last "$file"; then pass "its fan1_input $WHY" "$driver" "$name"; continue; fi
        c_rpm[$name]=$REPLY
        if attr "${file%/*}/fan1_fault" && [ "$REPLY" = 1 ]; then
            pass "the fan reports a failure (fan1_fault 1)" "$driver" "$name"; continue
        fi
        if attr "${file%/*}/fan1_enable" && [ "$REPLY" = 0 ]; then
            pass "the fan is switched off (fan1_enable 0)" "$driver" "$name"; continue
        fi
        as_sys "$file"
        file=$REPLY
        if ! safe_path "$file"; then pass "a path a build cannot take" "$driver" "$name"; continue; fi
        # The longest form the build will hold: the path as found, or hwmon15's.
        longest=$file
        [[ ! ${file%/fan1_input} =~ /hwmon[0-9]$ ]] || longest=${file%/hwmon*}/hwmon15/fan1_input
        if [ ${#longest} -gt $slot ]; then
            pass "its path is too long for a build (${#longest} bytes, where a build keeps $slot)" "$driver" "$name"
            continue
        fi
        shown "$driver"
        c_file[$name]=$file c_driver[$name]=$REPLY
        if [[ $real == "$sys"/devices/pci* ]]; then card+=("$name"); else own+=("$name"); fi
    done
    chosen=${own[0]:-${card[0]:-}}
    for name in "${own[@]}" "${card[@]}"; do
        [ "$name" = "$chosen" ] && continue
        if [[ " ${card[*]} " == *" $name "* && -n ${own[0]:-} ]]; then
            pass "a fan on a PCI card (a graphics card's), after the machine's own" "${c_driver[$name]}" "$name"
        else
            pass "ranked after ${c_driver[$chosen]} ($chosen)" "${c_driver[$name]}" "$name"
        fi
    done
    if [ -z "$chosen" ]; then
        report fan "none found; the report's fan line will say \"Cannot read fan RPM\""
        not_found+=(fan)
        return
    fi
    case ${c_driver[$chosen]} in
        thinkpad) what="the ThinkPad's fan" ;;
        dell_smm) what="the Dell laptop's fan" ;;
        applesmc) what="the Mac's fan" ;;
        asus | asus_fan) what="the ASUS laptop's fan" ;;
        cros_ec) what="the embedded controller's fan" ;;
        acpi_fan) what="the ACPI fan" ;;
        *) what="a fan" ;;
    esac
    [[ " ${card[*]} " != *" $chosen "* ]] || what="a PCI card's fan"
    files=("${c_file[$chosen]}")
    # The kernel numbers hwmon devices anew at each boot: after the path as found,
    # the other numbers in the same folder, so the fan is found after a
    # renumbering. A fan file on the parent device has no number and never moves.
    dir=${files[0]%/fan1_input}
    if [[ ${dir##*/} =~ ^hwmon[0-9]+$ ]]; then
        for i in {0..15}; do
            [ "hwmon$i" = "${dir##*/}" ] || files+=("${dir%/*}/hwmon$i/fan1_input")
        done
        if [ "${dir%/*}" = /sys/devices/virtual/hwmon ]; then
            set -- "after a boot that numbers devices anew, the first fan1_input of" \
                "/sys/devices/virtual/hwmon/hwmon0 to hwmon15: devices without a parent," \
                "so that may be another device's fan"
        else
            set -- "after a boot that numbers it anew, the same device's hwmon0 to hwmon15"
        fi
    else
        set -- "on the parent device, whose path never moves"
    fi
    report fan "$what (${c_driver[$chosen]}, $chosen), now at ${c_rpm[$chosen]} rpm" "reads ${files[0]}; $*"
    fan_files=("${files[@]}")
}

# The graphics device a sysfs path lies on: the device that holds a drm/ folder,
# else the nearest PCI function above it.
gpu_of() {
    local p=$1
    REPLY=""
    if [[ $p == */drm/* ]]; then REPLY=${p%%/drm/*}; return; fi
    while [[ $p == "$sys"/devices/* ]]; do
        [[ ${p##*/} =~ ^[0-9a-f]{4}:[0-9a-f]{2}:[0-9a-f]{2}\.[0-7]$ ]] && { REPLY=$p; return; }
        p=${p%/*}
    done
}

# The kernel's preference among backlights: firmware, platform, raw, then one of
# no known type; within each, one on the graphics device that drives the lit
# built-in panel before the others, then by name.
backlight() {
    local c name type level max rank panel="" gpus=" " chosen="" what
    local -A c_what=() c_max=() c_level=()
    local buckets=("" "" "" "" "" "" "" "")
    for c in "$sys"/class/drm/*; do
        if [[ ${c##*/} =~ -(eDP|LVDS|DSI)- ]] && attr "$c/enabled" && [ "$REPLY" = enabled ] &&
            resolve "$c" && gpu_of "$REPLY" && [ -n "$REPLY" ]; then
            gpus+="$REPLY " panel=${c##*/}
        fi
    done
    entries backlight
    for name in "${NAMES[@]}"; do
        if ! number last "$sys/class/backlight/$name/max_brightness"; then pass "its max_brightness $WHY" "$name"; continue; fi
        max=$REPLY
        if [ "$max" -eq 0 ]; then pass "its max_brightness is 0" "$name"; continue; fi
        if ! number last "$sys/class/backlight/$name/brightness"; then pass "its brightness $WHY" "$name"; continue; fi
        level=$REPLY
        if ! safe_name "$name"; then pass "a name a build cannot take" "$name"; continue; fi
        if ! fits "/sys/class/backlight/$name/max_brightness"; then pass "$WHY" "$name"; continue; fi
        attr "$sys/class/backlight/$name/type"
        type=$REPLY
        case $type in
            firmware) rank=0 what="the firmware's backlight control" ;;
            platform) rank=2 what="the laptop maker's backlight control" ;;
            raw) rank=4 what="the graphics card's backlight" ;;
            *) shown "$type"; rank=6 what="a backlight of unknown type \"$REPLY\"" ;;
        esac
        if resolve "$sys/class/backlight/$name" && gpu_of "$REPLY" && [ -n "$REPLY" ] &&
            [[ $gpus == *" $REPLY "* ]]; then
            what+=" for the built-in panel"
        else
            rank=$((rank + 1))
        fi
        buckets[rank]+="$name/"
        c_what[$name]=$what c_max[$name]=$max c_level[$name]=$level
    done
    for rank in "${!buckets[@]}"; do
        while [ -n "${buckets[rank]}" ]; do
            name=${buckets[rank]%%/*} buckets[rank]=${buckets[rank]#*/}
            if [ -z "$chosen" ]; then chosen=$name; else pass "ranked after $chosen" "$name" "${c_what[$name]#the }"; fi
        done
    done
    if [ -z "$chosen" ]; then
        report backlight "none found; the report will stop with \"Cannot open file\" after the fan line"
        not_found+=(backlight)
        return
    fi
    report backlight "${c_what[$chosen]} ($chosen), now at ${c_level[$chosen]} of ${c_max[$chosen]}" \
        ${panel:+"the lit built-in panel is $panel"}
    backlight=$chosen
}

# The words for a charger's online TEXT, in REPLY.
charger_state() {
    case $1 in 1) REPLY="plugged in" ;; 0) REPLY="unplugged" ;; *) shown "$1"; REPLY="online \"$REPLY\"" ;; esac
}

# sysfs-class-power: the machine's chargers. A charger is a supply of type Mains
# or of a USB type (USB; USB_PD, USB_C, USB_DCP and such on old kernels) whose
# online file holds some text, and the machine's own: not a peripheral's (scope
# Device: a drawing tablet's mains; no scope file is the system's), nor one below
# a USB device (a /usbN/ bus folder in its real path: a dock's port, a charger
# plugged in over USB), which tells of its own port, not of what charges the
# machine. The device that registered a supply is its real folder's parent:
# DEVICE/power_supply/NAME; one with no parent (devices/virtual) has its own.
# A mains adapter that is the only charger of its device (the firmware's, AC or
# ADP1, on x86 laptops) reports any charger, USB-C included: the first such
# by name is read alone, the ports passed over. Elsewhere the ports charge the
# machine apart, each a supply of its own that tells only of its own charger: a
# Snapdragon's battery manager registers its mains and USB supplies together, a
# Chromebook's embedded controller each USB-C port (and a barrel port, of type
# Mains) and may change a port's type while it runs, to Mains say. Then every
# charger is listed, mains adapters first, each group by name, up to four, and
# the report's power line shows the online text of the first one online (not 0),
# else of the first.
chargers() {
    local name d type real online device lone="" beside="" list ports each="" now=""
    local mains=() usb=() chosen=()
    local -A c_online=() c_device=() on_device=() on_mains=()
    entries power_supply
    for name in "${NAMES[@]}"; do
        d=$sys/class/power_supply/$name
        attr "$d/type"
        type=$REPLY
        if [[ $type != Mains && $type != USB* ]]; then
            shown "${type:-none}"
            pass "not a charger (type $REPLY)" "$name"; continue
        fi
        if attr "$d/scope" && [ "$REPLY" = Device ]; then pass "a peripheral's (scope Device)" "$name"; continue; fi
        if ! resolve "$d"; then pass "not a device folder (a broken link)" "$name"; continue; fi
        real=${REPLY#"$sys"}
        if [[ $real =~ /usb[0-9]+/ ]]; then pass "plugged in over USB (a dock's port, a device's charger)" "$name"; continue; fi
        if ! attr "$d/online"; then pass "its online file $WHY" "$name"; continue; fi
        online=$REPLY
        if ! safe_name "$name"; then pass "a name a build cannot take" "$name"; continue; fi
        if ! fits "/sys/class/power_supply/$name/online"; then pass "$WHY" "$name"; continue; fi
        c_online[$name]=$online
        device=$real
        if [[ $real =~ ^(/.+)/power_supply/[^/]+$ && ${BASH_REMATCH[1]} != /devices/virtual ]]; then
            device=${BASH_REMATCH[1]}
        fi
        c_device[$name]=$device
        on_device[$device]=$((${on_device[$device]:-0} + 1))
        if [ "$type" = Mains ]; then mains+=("$name") on_mains[$device]=1; else usb+=("$name"); fi
    done
    for name in "${mains[@]}"; do
        [ "${on_device[${c_device[$name]}]}" -eq 1 ] && lone=$name && break
    done
    # Whether a USB port shares its device with a mains adapter, for the words.
    for name in "${usb[@]}"; do [ "${on_mains[${c_device[$name]}]-}" != 1 ] || beside=1; done
    if [ -n "$lone" ]; then
        for name in "${mains[@]}"; do [ "$name" = "$lone" ] || pass "ranked after $lone" "$name"; done
        for name in "${usb[@]}"; do pass "a USB port, whose charger the mains adapter reports too" "$name"; done
        charger_state "${c_online[$lone]}"
        report ac "the mains adapter ($lone), now $REPLY"
        ac=$lone
        return
    fi
    for name in "${mains[@]}" "${usb[@]}"; do
        if [ ${#chosen[@]} -eq 4 ]; then pass "a build reads four chargers at most" "$name"; continue; fi
        chosen+=("$name")
    done
    if [ ${#chosen[@]} -eq 0 ]; then
        set -- "none found; the report will stop with \"Cannot open file\" where the power line would be,"
        report ac "$1 so its level line is not shown either"
        not_found+=(ac)
        return
    fi
    if [ ${#chosen[@]} -eq 1 ]; then
        charger_state "${c_online[${chosen[0]}]}"
        report ac "the USB port (${chosen[0]}), now $REPLY" "no mains adapter: its USB port charges it"
        ac=${chosen[0]}
        return
    fi
    for name in "${chosen[@]}"; do
        charger_state "${c_online[$name]}"
        each+="${each:+, }$name $REPLY"
        [ -n "$now" ] || [ "${c_online[$name]}" = 0 ] || { shown "${c_online[$name]}"; now="$REPLY, from $name"; }
    done
    [ -n "$now" ] || { shown "${c_online[${chosen[0]}]}"; now="$REPLY, from ${chosen[0]}"; }
    # Names of safe characters: no blank among them.
    list=${chosen[*]}
    ports="USB ports charge" && [ ${#usb[@]} -ne 1 ] || ports="USB port charges"
    if [ ${#mains[@]} -eq 0 ]; then
        set -- "no mains adapter: its $ports it, each a supply of its own"
    elif [ -n "$beside" ]; then
        set -- "its $ports it apart from the mains adapter of the same device, each a supply of its own"
    else
        set -- "its ports charge it apart: one device registered several mains supplies, each a supply of its own"
    fi
    report ac "the laptop's ${#chosen[@]} chargers (${list// /, }), in that order" "$1" \
        "$each; the report's power line shows the online text of the first one online (not 0), else 0: now $now"
    ac=$(IFS=';'; echo "${chosen[*]}")
}

# Present system batteries, those named as laptops name theirs (BAT, CMB) first,
# each by name, with charge files or else energy files (the level is their ratio
# either way); after the first, up to four of its units: the report's level is the
# machine's, the sum of their charges over the sum of their full charges.
battery() {
    local name d order=() chosen=() levels=() kinds kind full now pair why sum_full=0 sum_now=0 list each
    entries power_supply
    for name in "${NAMES[@]}"; do [[ $name == BAT* || $name == CMB* ]] && order+=("$name"); done
    for name in "${NAMES[@]}"; do [[ $name == BAT* || $name == CMB* ]] || order+=("$name"); done
    for name in "${order[@]}"; do
        d=$sys/class/power_supply/$name
        attr "$d/type"
        if [ "$REPLY" != Battery ]; then shown "${REPLY:-none}"; pass "not a battery (type $REPLY)" "$name"; continue; fi
        if attr "$d/scope" && [ "$REPLY" = Device ]; then pass "a peripheral's battery (scope Device)" "$name"; continue; fi
        if attr "$d/present" && [ "$REPLY" = 0 ]; then pass "an empty battery bay (present 0)" "$name"; continue; fi
        pair="" why="" kinds="charge energy"
        [ ${#chosen[@]} -eq 0 ] || kinds=$units
        for kind in $kinds; do
            [ -e "$d/${kind}_full" ] || [ -e "$d/${kind}_now" ] || continue
            if ! number first "$d/${kind}_full"; then why=${why:-"its ${kind}_full $WHY"}; continue; fi
            if [ "$REPLY" -eq 0 ]; then why=${why:-"its ${kind}_full is 0"}; continue; fi
            full=$REPLY
            if ! number first "$d/${kind}_now"; then why=${why:-"its ${kind}_now $WHY"}; continue; fi
            now=$REPLY pair=$kind
            break
        done
        if [ -z "$pair" ] && [ ${#chosen[@]} -gt 0 ] && [ -z "$why" ]; then
            why="no ${units} files, as ${chosen[0]} has: the levels of batteries of other units cannot be summed"
        fi
        if [ -z "$pair" ]; then pass "${why:-no charge or energy files}" "$name"; continue; fi
        if ! safe_name "$name"; then pass "a name a build cannot take" "$name"; continue; fi
        if ! fits "/sys/class/power_supply/$name/${pair}_full"; then pass "$WHY" "$name"; continue; fi
        if [ ${#chosen[@]} -eq 4 ]; then pass "a build reads four batteries at most" "$name"; continue; fi
        chosen+=("$name") levels+=("$name at $((now * 100 / full))%") units=$pair
        sum_full=$((sum_full + full)) sum_now=$((sum_now + now))
    done
    if [ ${#chosen[@]} -eq 0 ]; then
        report battery "none found; the report will stop with \"Cannot open file\" where the level line would be"
        not_found+=(battery)
        return
    fi
    if [ ${#chosen[@]} -eq 1 ]; then
        report battery "the laptop's battery (${chosen[0]}), now at $((sum_now * 100 / sum_full))% (${units}_now of ${units}_full)"
    else
        # Names of safe characters: no blank among them.
        list=${chosen[*]} each=${levels[*]/%/,}
        report battery "the laptop's ${#chosen[@]} batteries (${list// /, }), now at $((sum_now * 100 / sum_full))% together (${units}_now of ${units}_full)" \
            "${each%,}; the level is that of all their charge, not the average of their percentages"
    fi
    battery=$(IFS=';'; echo "${chosen[*]}")
}
