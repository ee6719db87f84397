# shellcheck shell=bash disable=SC2154 # scratch is set by tools/check's scratch()
# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# tools/check's checks of the builds: other C libraries and processors, other
# devices, setup's copies, the sanitizers, memcheck, coverage and the fuzzers.

#: glibc        the static glibc build, the fallback without musl: its programs build, and its trivane passes every scenario
# Its unit tests would prove nothing more: what they call is the same code on
# any C library, and the sanitizer and coverage builds run them on glibc. Nor
# would setup's table: riscv64's trivane-setup, of static glibc, passes it in the
# cross check, and the sanitizer and coverage builds' on glibc.
glibc() {
    cmake --preset glibc >/dev/null && cmake --build build/glibc --target trivane trivane-setup >/dev/null && shipped
    scenarios_on "$PWD/build/glibc/trivane"
    [ "$skipped" -eq 0 ] || die "$skipped scenarios were skipped"
    echo "glibc's trivane: the scenarios: $(grep '^\[  PASSED  \]' <<<"$out")"
}
# The test build's scenarios on TRIVANE, another build's or a copy, in one process
# (ctest's own files in build/test are memcheck's): their output in out, how
# many were skipped in skipped.
scenarios_on() {
    out=$(TRIVANE_UNDER_TEST=$1 build/test/tests/trivane_tests --gtest_filter='*Scenarios*' 2>&1) ||
        { die "the scenarios fail on $1:" "$out"; return 1; }
    skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:$/\1/p' <<<"$out")
    skipped=${skipped:-0}
}

#: cross        arm64, armhf, riscv64 and i386 builds pass every test under qemu-user-static, no target program started natively; arm64's copies
# The tests start the target's programs through the emulator (no binfmt_misc), and
# so does the build (the stamp after trivane's link): where this host's kernel runs
# no i386 program (IA32 emulation off), i386 builds and passes all the same. Every
# program that i386's build starts, and every test's command, is looked at.
cross() {
    local target out native
    for target in arm64 armhf riscv64; do
        SECONDS=0
        out=$(cmake --workflow --preset "test-$target" 2>&1) || die "$target:" "$out"
        ! grep -F '***Skipped' <<<"$out" || die "$target: tests were skipped"
        echo "$target: $(grep 'tests passed' <<<"$out") (built and run in $SECONDS s)"
    done
    SECONDS=0
    scratch
    # shellcheck disable=SC2016 # the inner shell expands them
    strace --seccomp-bpf -f -qq -e trace=execve -o "$scratch/execs" bash -c \
        'cmake --preset test-i386 -B "$1" >/dev/null && cmake --build "$1" >/dev/null' - "$scratch/i386" || die "i386: no build"
    native=$(sed -n 's/^[0-9]* *execve("\([^"]*\)".* = 0$/\1/p' "$scratch/execs" | sort -u | i386_programs)
    native+=$(ctest --test-dir "$scratch/i386" --show-only=json-v1 | jq -r '.tests[].command[0]' | sort -u | i386_programs)
    [ -z "$native" ] || die "i386 programs started as they are, not through qemu-i386-static:" "$native"
    out=$(ctest --test-dir "$scratch/i386" -LE devices -j 4 --output-on-failure 2>&1) || die "i386:" "$out"
    ! grep -F '***Skipped' <<<"$out" || die "i386: tests were skipped"
    echo "i386: $(grep 'tests passed' <<<"$out"); no i386 program started but through qemu-i386-static (built and run in $SECONDS s)"
    # The copies' bytes are the configured builds': the scenarios on a copy run
    # in the setup check, natively, and test-arm64 runs them on arm64.
    copies release-arm64 qemu-aarch64-static t480 macbook-m2
}
# Of the programs named on standard input, those for i386 (ELF e_machine 3).
i386_programs() {
    local program
    while read -r program; do [ "$(od -An -tx1 -j18 -N2 "$program" 2>/dev/null)" != " 03 00" ] || echo "$program"; done
}

#: configured   a test build for other devices, 17 fan files, 2 adapters and 4 batteries passes every scenario and setup's table, its temporary folder on an overlay
# The scenarios lay their files where the build under test reads them, none
# skipped; setup's table takes the build's devices as the installed ones. They
# run as in a container whose /tmp is an overlay, where no overlay's upper folder
# may lie.
configured() {
    local out
    other_devices && cmake --build build/configured >/dev/null && scratch && chmod 755 "$scratch"
    # shellcheck disable=SC2016 # the inner shell expands them
    out=$(unshare --mount --propagation private -- bash -c 'mount -t tmpfs tmpfs "$0" && cd "$0" &&
        mkdir lower upper work tmp && chmod 1777 upper &&
        mount -t overlay overlay -o lowerdir=lower,upperdir=upper,workdir=work tmp &&
        TMPDIR=$0/tmp ctest --test-dir "$1" -j 4 --output-on-failure -LE devices' "$scratch" "$PWD/build/configured") ||
        die "$out"
    ! grep -F -e '***Skipped' <<<"$out" || die "scenarios were skipped"
    grep 'tests passed' <<<"$out"
}

#: setup        trivane-setup's copy of the release binary is the configured release build, and the scenarios pass on it
# The test build's copies, for every layout, are its configured builds: the
# devices test (Devices.build) compares them as it builds each.
setup() {
    shipped && scratch
    copies release "" t480
    scenarios_on "$scratch/t480.copy"
    echo "release, t480: on the copy, $(grep '^\[  PASSED  \]' <<<"$out")" \
        "($skipped of them skipped: they need more fan files than it reads)"
}

# For each LAYOUT of tests/layouts: PRESET's stripped binary, copied by its setup
# --sys LAYOUT (through EMULATOR), is byte for byte PRESET's stripped binary
# configured with the detector's options; the copies are left as LAYOUT.copy in
# the scratch folder.
copies() {
    local preset=$1 emulator=() default=$scratch/$1 layout out strip
    read -r -a emulator <<<"$2"
    shift 2
    cmake --preset "$preset" -B "$default" >/dev/null && cmake --build "$default" >/dev/null
    strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$default/CMakeCache.txt")
    "$strip" -o "$default/stripped" "$default/trivane"
    for layout; do
        rm -rf "$scratch/sys" && tests/layouts "$layout" "$scratch/sys"
        src/detect/trivane-detect --sys "$scratch/sys" -o "$scratch/devices.cmake" >/dev/null 2>&1
        cmake --preset "$preset" -B "$scratch/build" -C "$scratch/devices.cmake" >/dev/null && cmake --build "$scratch/build" >/dev/null
        "$strip" -o "$scratch/$layout.built" "$scratch/build/trivane"
        out=$("${emulator[@]}" "$default/trivane-setup" --from "$default/stripped" --sys "$scratch/sys" --force \
            -o "$scratch/$layout.copy" 2>&1) || die "$layout: trivane-setup wrote no copy:" "$out"
        cmp "$scratch/$layout.built" "$scratch/$layout.copy" || die "$layout: the copy is not the configured build"
        echo "$preset, $layout: the copy is the configured build"
    done
}

# The test build for other devices, with the longest paths, configured.
other_devices() {
    local i fans=/sys/devices/pci0000:00/0000:00:08.1/0000:05:00.0/hwmon/hwmon4/fan1_input
    for i in 0 1 2 3 {5..16}; do fans+=";${fans%/hwmon4/*}/hwmon$i/fan1_input"; done
    cmake --preset test -B build/configured "-DTRIVANE_FAN_FILES=$fans" -DTRIVANE_BACKLIGHT=amdgpu_bl1 \
        '-DTRIVANE_AC=ACAD;ucsi-source-psy-USBC000:001' '-DTRIVANE_BATTERY=BAT1;BAT2;BAT3;BAT4' -DTRIVANE_BATTERY_UNITS=energy >/dev/null 2>&1
}

#: asan         the tests under AddressSanitizer and UBSan
asan() { cmake --workflow --preset asan; }

#: memcheck     the scenarios under valgrind memcheck, on the shipped binary
# trivane allocates nothing, so memcheck finds what would go wrong there:
# uninitialised bytes reaching a branch or a write, reads outside what the
# program owns, a file not closed.
memcheck() { shipped && ctest --preset memcheck; }

#: coverage     100% line and branch coverage of src/, setup's included, from the unit tests, scenarios and setup's table
coverage() {
    find build/coverage -name '*.gcda' -delete 2>/dev/null || true
    cmake --workflow --preset coverage
    # The report's code and trivane-setup's, which its table runs through every
    # refusal. What a process does after fork or before it dies of a signal, gcov
    # cannot count: such lines are marked GCOVR_EXCL, and the table proves them.
    local args=(-r . --filter 'src/' --exclude-throw-branches --exclude-unreachable-branches)
    gcovr "${args[@]}" --fail-under-line 100 build/coverage --txt
    gcovr "${args[@]}" --branches --fail-under-branch 100 build/coverage --txt
}

#: fuzz         libFuzzer on the reading rules and on setup's reading of a binary
# Both fuzzers side by side for FUZZ_SECONDS (default 20), into scratch corpora;
# trivane-setup's reader starts from the shipped binary. A failure names the
# folder that keeps the input that broke it.
fuzz() {
    local dir attr=0 image=0
    cmake --workflow --preset fuzz >/dev/null && shipped
    dir=$(mktemp -d "${TMPDIR:-/tmp}/trivane-fuzz-XXXXXX") && mkdir "$dir/corpus" "$dir/images"
    cp build/test/trivane "$dir/images/"
    build/fuzz/attr_fuzz -max_total_time="${FUZZ_SECONDS:-20}" -print_final_stats=1 \
        -artifact_prefix="$dir/" "$dir/corpus" fuzz/corpus >"$dir/attr.log" 2>&1 &
    build/fuzz/image_fuzz -max_total_time="${FUZZ_SECONDS:-20}" -print_final_stats=1 \
        -max_len=65536 -artifact_prefix="$dir/" "$dir/images" >"$dir/image.log" 2>&1 || image=$?
    wait $! || attr=$?
    (cd "$dir" && grep -E '^(Done|stat::number_of_executed_units|INFO: seed corpus)|ERROR|broken|SUMMARY|runtime error|==[0-9]+==' \
        attr.log image.log) || true
    [ $((attr + image)) -eq 0 ] || die "fuzz: status $attr (attr_fuzz), $image (image_fuzz); the input and the logs are in $dir:" \
        "$(find "$dir" -maxdepth 1 -type f -printf '%f\n')"
    rm -rf "$dir"
}
