# shellcheck shell=bash disable=SC2154 # scratch is set by tools/check's scratch()
# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# tools/check's checks of the sources, the manual pages and the licences.

#: format       clang-format, cmake-format and jq leave every C++, CMake and JSON file as it is
format() {
    local files file changed=()
    mapfile -t files < <(sources)
    clang-format --dry-run --Werror "${files[@]}"
    while IFS= read -r -d '' file; do
        cmake-format "$file" -c .cmake-format.py | cmp -s - "$file" || changed+=("$file")
    done < <(git ls-files -z '*.cmake' '*CMakeLists.txt')
    while IFS= read -r -d '' file; do
        jq --indent 2 . "$file" | cmp -s - "$file" || changed+=("$file")
    done < <(git ls-files -z '*.json')
    [ ${#changed[@]} -eq 0 ] || die "laid out otherwise than cmake-format (.cmake-format.py) or jq --indent 2 would:" "${changed[@]}"
    echo "format: clean: ${#files[@]} C++, $(git ls-files '*.cmake' '*CMakeLists.txt' '*.json' | wc -l) CMake and JSON files"
}

#: tidy         clang-tidy finds nothing; its path-sensitive analyzer runs on the program's code, not on GoogleTest's macros
tidy() {
    # The glibc build's compile commands: clang does not take gcc's musl specs file.
    cmake --preset glibc >/dev/null && cmake --preset fuzz >/dev/null
    # The tests' files are GoogleTest's macros, where the analyzer spends two
    # thirds of the check's time: the other checks read them.
    # shellcheck disable=SC2016 # the inner shell expands them
    sources | grep '\.cpp$' | sed 's|^fuzz/|build/fuzz &|; t; s|^tests/|build/glibc,-clang-analyzer-* &|; t; s|^|build/glibc, |' |
        xargs -P "$(nproc)" -n 2 bash -c 'set -o pipefail; IFS=, read -r build checks <<<"$0"
            clang-tidy --quiet -p "$build" ${checks:+"--checks=$checks"} "$1" 2>&1 | { grep -v "warnings generated" || true; }'
    echo "clang-tidy: clean"
}

#: shell        shellcheck finds nothing in any shell script, whatever its shebang's options, nor in a file a script sources; none prints its help from a line range
shell() {
    local file scripts=() ranges
    while IFS= read -r -d '' file; do
        head -n 1 "$file" | grep -aqE '^(#! *[^ ]*[/ ](ba|da)?sh( |$)|# shellcheck shell=)' && scripts+=("$file")
    done < <(git ls-files -z)
    # A help that is a line range of the script's own comments drifts as they change.
    ! ranges=$(grep -nE "sed -n '[0-9]+,[0-9]+s" "${scripts[@]}") || die "a line range of the script as its help:" "$ranges"
    # Each on its own, from another folder, as an editor checks it: what it sources
    # is found all the same (.shellcheckrc).
    printf '%s\0' "${scripts[@]/#/$PWD/}" | (cd / && xargs -0 -n 1 -P "$(nproc)" shellcheck) &&
        echo "shellcheck: clean: ${#scripts[@]} scripts: ${scripts[*]}"
}

#: layout       the packages' paths and priorities are written in cmake/layout.cmake alone: setup, the scripts and the pages take them from the build
# A path written by hand in one of them would drift from the others: setup's
# sources, the maintainer scripts' and the manual pages' templates name none.
layout() {
    local value hits=""
    # Each path of three names or more, and its folder.
    while read -r value; do
        hits+=$(git grep -nF -e "$value" -e "${value%/*}" -- src packaging man ':!packaging/rpmlint.toml' |
            grep -vE ':[0-9]+: *(#|//|\.\\")' || true)
    done < <(sed -n 's/^set(TRIVANE_[A-Z_]* \(\/[^ )/]*\/[^ )/]*\/[^ )]*\))$/\1/p' cmake/layout.cmake)
    hits+=$(grep -nE -- '--install .* [0-9]+( |$)' packaging/*.in || true)
    [ -z "$hits" ] || die "written by hand, not taken from cmake/layout.cmake:" "$hits"
    echo "layout: cmake/layout.cmake alone writes $(grep -c '^set(TRIVANE_' cmake/layout.cmake) paths and priorities"
}

#: release      NEWS, the version and the tag agree; a commit past this one builds another version
# NEWS is the record. A release is the commit that dates its NEWS entry, named
# "Release X.Y.Z" (and tagged vX.Y.Z where tags are kept); it alone builds X.Y.Z,
# any other tree a version that says so (the package check reads the changelogs).
release() {
    local head number date subject version parent
    head=$(head -n 1 NEWS) subject=$(git log -1 --format=%s) version=$(version)
    parent=$(git show HEAD~1:NEWS 2>/dev/null | sed -n 1p) || true
    number=${head#trivane } number=${number%% *} date=${head##*(} date=${date%)}
    if [ "$date" = unreleased ]; then
        [[ $version == "$number~git"* ]] || die "NEWS has $number unreleased, the build $version"
        [[ $subject != "Release $number"* ]] || die "\"$subject\", and NEWS gives $number no date"
    elif [[ $subject == "Release $number"* ]]; then
        [ "$version" = "$number" ] || die "the release commit of $number builds $version"
        [ "$parent" != "$head" ] || die "\"$subject\" does not date the NEWS entry of $number"
        [ "$date" = "$(TZ=UTC git log -1 --date=format-local:%F --format=%cd)" ] ||
            die "NEWS dates $number $date, and its commit is of another day"
        ! git rev-parse -q --verify "refs/tags/v$number" >/dev/null ||
            [ "$(git cat-file -t "v$number"):$(git rev-parse "v$number^{commit}")" = "tag:$(git rev-parse HEAD)" ] ||
            die "v$number is not an annotated tag of this commit"
    else
        [ "$parent" = "$head" ] || die "this commit dates the NEWS entry of $number: name it \"Release $number\""
        [[ $version == "$number+git"* ]] || die "a commit past $number builds $version"
    fi
    echo "release: NEWS $number ($date), this tree $version"
    scratch
    git clone -q . "$scratch/past"
    git -C "$scratch/past" -c user.name=check -c user.email=check@invalid commit -q --allow-empty -m Past
    version=$(cd "$scratch/past" && version)
    [[ $version == "$number+git"* || ($date == unreleased && $version == "$number~git"*) ]] ||
        die "a commit past this one builds $version"
    echo "release: a commit past this one builds $version"
}

#: man          the manual pages render with no warning at 80 columns, paths whole, footers with the version and date
man() {
    shipped && other_devices
    local page out date
    date=$(date -u -d "@${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}" +%F)
    for page in build/test/trivane{,-setup,-detect}.1 build/configured/trivane.1; do
        out=$(groff -man -ww -z -Tutf8 -rLL=80n "$page" 2>&1; mandoc -Tlint "$page" 2>&1) || true
        [ -z "$out" ] || die "$page: $out"
        out=$(MANWIDTH=80 command man -l "$page" 2>/dev/null | tail -n 1)
        [[ $out == "trivane $(version)"*" $date "* ]] || die "$page: the footer lacks trivane $(version) and $date: $out"
        echo "manual page: clean: $page: $out"
    done
}

#: licence      every file carries its licence and copyright (reuse lint)
licence() { reuse lint; }
