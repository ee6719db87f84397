# shellcheck shell=bash disable=SC2154 # scratch is set by tools/check's scratch()
# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# tools/check's checks of what is shipped: the packages, their life on a
# machine, the source tarball, reproducibility and the status-line recipes.

#: package      install; Debian package and RPM, their changelogs, lint and binaries; arm64's (tests/package_test)
package() {
    shipped && tests/package_test build/test
    local deb=build/release-arm64/trivane.deb rpm=build/release-arm64/trivane.rpm lint
    # arm64's packages, from its release preset: their architecture, and lint.
    cmake --preset release-arm64 >/dev/null && cmake --build build/release-arm64 --target package >/dev/null
    [ "$(dpkg-deb --field "$deb" Architecture):$(rpm -qp --qf '%{ARCH}' "$rpm")" = arm64:aarch64 ] ||
        die "the arm64 packages are not marked arm64 and aarch64"
    lint=$(lintian --fail-on error,warning --pedantic "$deb" 2>&1) || die "$lint"
    rpmlint -c packaging/rpmlint.toml "$rpm" >/dev/null
    echo "arm64: $(dpkg-deb --field "$deb" Architecture Built-Using | paste -sd ' '), RPM $(rpm -qp --qf '%{ARCH}' "$rpm"), lint clean"
}

#: builders     setup's table as an ordinary user, and under fakeroot as one, as package builders run it: each row passes, or is skipped with its reason
# The table and what it reads, copied where the user nobody may read them.
builders() {
    shipped && scratch && chmod 755 "$scratch"
    local out mode
    mkdir -p "$scratch/build" "$scratch/src/setup"
    cp -r tests "$scratch/" && cp src/setup/main.cpp "$scratch/src/setup/"
    cp build/test/{trivane,trivane-setup,trivane-detect,layout.env,tests/slots} "$scratch/build/"
    chmod -R a+rX "$scratch"
    for mode in user fakeroot; do
        set -- "$scratch/tests/setup_test" "$scratch/build/trivane-setup" "$scratch/build/trivane" "$scratch/build/slots"
        [ "$mode" = user ] || set -- fakeroot "$@"
        out=$(setpriv --reuid=65534 --regid=65534 --clear-groups env -u TRIVANE_REQUIRE_SCENARIOS HOME=/nonexistent "$@" 2>&1) &&
            die "as a user ($mode): the table ran its root rows" "$out"
        [ $? -eq 77 ] || die "as a user ($mode): the table failed" "$out"
        grep -q '^setup: [0-9]* rows skipped, as they need root: ' <<<"$out" || die "as a user ($mode): no reason given" "$out"
        echo "as a user ($mode): $(grep '^setup: rows run' <<<"$out" | cut -d' ' -f4) rows passed, the others skipped as they need root"
    done
}

#: lifecycle    the packages' life in clean Debian roots: install, upgrade, downgrade, removal and purge (tests/lifecycle_test)
# On this build's packages, a newer build's (the same tree at a later version),
# 1.3.0's and 1.4.0's, built from the history.
lifecycle() {
    shipped && scratch
    (cd build/test && cpack -G DEB >/dev/null && cpack -G RPM >/dev/null)
    git clone -q . "$scratch/newer" && sed -i '1s/.*/trivane 99.0.0 (unreleased)/' "$scratch/newer/NEWS"
    (cd "$scratch/newer" && git -c user.name=check -c user.email=check@invalid commit -qam Newer &&
        cmake --preset release >/dev/null && cmake --build build/release --target package >/dev/null)
    git clone -q . "$scratch/old" && git -C "$scratch/old" checkout -q "$(git log --grep='^Release 1\.3\.0' --format=%H -1)"
    # 1.3.0 named its packages by version alone.
    (cd "$scratch/old" && cmake --preset release >/dev/null && cmake --build build/release --target package >/dev/null &&
        cd build/release && ln -s trivane_*.deb trivane.deb && ln -s trivane-*.rpm trivane.rpm)
    git clone -q . "$scratch/previous" &&
        git -C "$scratch/previous" checkout -q "$(git log --grep='^Release 1\.4\.0' --format=%H -1)"
    (cd "$scratch/previous" && cmake --preset release >/dev/null && cmake --build build/release --target package >/dev/null)
    tests/lifecycle_test build/test "$scratch/newer/build/release" "$scratch/old/build/release" \
        "$scratch/previous/build/release" build/test/tests/slots
}

#: tarball      the source tarball: the tracked files; the README's commands in it; its amd64 and arm64 packages
# Also from a checkout in a folder named build among untracked files; unpacked
# where there is no git, the tarball knows its version. .ci/run runs the README's
# test command in the tarball, where distributions run it; here, the other.
tarball() {
    scratch
    local v cmd preset f clone=$scratch/build/trivane tree
    v=$(version) tree=$scratch/trivane-$v
    git clone -q . "$clone" && mkdir "$clone/out" "$clone/other-build" && touch "$clone/NOTES.txt" "$clone/out/junk.o"
    (cd "$clone" && cmake --preset release >/dev/null && cmake --build build/release --target dist)
    tar -xzf "$clone/build/release/trivane-$v.tar.gz" -C "$scratch"
    diff <(git ls-files | sort) <(cd "$tree" && find . -type f | sed 's|^\./||' | sort) ||
        die "the tarball's files are not the tracked files (< tracked, > tarball)"
    [ "$(cd "$tree" && version)" = "$v" ] || die "the unpacked tarball says version $(cd "$tree" && version)"
    echo "tarball: exactly the $(git ls-files | wc -l) tracked files, version $v"
    grep -qF -- "tools/deps --test && cmake --workflow --preset test" README.md || die "README lacks its test command"
    cmd="tools/deps && cmake --workflow --preset release && build/release/trivane"
    grep -qF -- "$cmd" README.md || die "README lacks the command: $cmd"
    echo "=== in the unpacked tarball: $cmd"
    (cd "$tree" && bash -c "$cmd") || die "failed in the unpacked tarball: $cmd"
    # The packages of each processor made from the tarball are those of the checkout.
    for preset in release release-arm64; do
        for f in "$clone" "$tree"; do
            (cd "$f" && cmake --preset "$preset" && cmake --build "build/$preset" --target package) >/dev/null
        done
        cmp "$clone/build/$preset/trivane.deb" "$tree/build/$preset/trivane.deb" || die "$preset: another .deb"
        cmp "$clone/build/$preset/trivane.rpm" "$tree/build/$preset/trivane.rpm" || die "$preset: another .rpm"
        echo "$preset: the tarball's packages are the checkout's: $(readlink "$tree/build/$preset/trivane.deb")"
    done
}

#: reproducible two clean clones in two folders, built seconds apart, give the same files
reproducible() {
    scratch
    local side f v differ=0
    v=$(version)
    for side in one two/deeper; do
        git clone -q --no-hardlinks . "$scratch/$side"
        (cd "$scratch/$side" && cmake --workflow --preset release >/dev/null &&
            cmake --build build/release --target package dist >/dev/null &&
            cmake --preset release-arm64 >/dev/null && cmake --build build/release-arm64 --target package >/dev/null)
        sleep 2
    done
    for f in release/trivane "release/trivane_${v}_amd64.deb" "release/trivane-$v-1.x86_64.rpm" "release/trivane-$v.tar.gz" \
        release-arm64/trivane "release-arm64/trivane_${v}_arm64.deb" "release-arm64/trivane-$v-1.aarch64.rpm"; do
        set -- "$scratch/one/build/$f" "$scratch/two/deeper/build/$f"
        cmp -s "$1" "$2" && echo "identical: $f ($(stat -c %s "$1") bytes)" && continue
        echo "DIFFERENT: $f" && differ=1
        diffoscope --text - "$1" "$2" || true
    done
    return $differ
}

#: recipes      the status-line recipes in i3blocks, tmux and waybar's command (tests/recipes_test)
recipes() { shipped && tests/recipes_test build/test/trivane; }
