#!/usr/bin/env bash
# Mutation testing: applies each small fault of scripts/mutants.list to the sources, one at a
# time, builds the tests that cover it and runs them. A fault is caught when a test fails; a
# fault that no longer applies (its text is not found exactly once) or does not build is left
# out of the score. Prints each fault's outcome and the score per area.
#
#   scripts/mutants.sh [--list FILE] [--area AREA] [--dir DIR]
#
# Works on a separate checkout of HEAD in DIR (default /tmp/kesta-mutants), never on this tree.
# scripts/mutants-check.py says, without building, which rows would not count (a file, a text or
# a test that is no longer there).
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/scripts/mutants.list
only=
work=/tmp/kesta-mutants
while [ $# -gt 0 ]; do
    case $1 in
    --list) list=$2; shift 2 ;;
    --area) only=$2; shift 2 ;;
    --dir) work=$2; shift 2 ;;
    *) echo "usage: $0 [--list FILE] [--area AREA] [--dir DIR]" >&2; exit 2 ;;
    esac
done
command -v perl >/dev/null || { echo "perl is needed" >&2; exit 2; }

if [ ! -d "$work/.git" ] && [ ! -f "$work/.git" ]; then
    rm -rf "$work"
    git -C "$root" worktree add --detach "$work" HEAD >/dev/null || exit 2
else
    git -C "$work" checkout --detach -q "$(git -C "$root" rev-parse HEAD)" || exit 2
    git -C "$work" checkout -q -- .
fi
cmake -S "$work" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTA_WERROR=OFF \
    -DKESTA_DEBUG_INFO=OFF >/dev/null || exit 2
echo "building the unchanged sources once..."
cmake --build "$work/build" -j"$(nproc)" >/dev/null || { echo "the unchanged sources do not build" >&2; exit 2; }

declare -A caught total
results=()
n=0
while IFS=$'\t' read -r area file tests find replace; do
    case $area in '' | '#'*) continue ;; esac
    [ -n "$only" ] && [ "$area" != "$only" ] && continue
    n=$((n + 1))
    target=$work/$file
    # The fault's text, found exactly once, replaced (%% stands for a line break).
    if ! FIND=$find REPLACE=$replace perl -0777 -i -e '
            my ($f, $r) = ($ENV{FIND}, $ENV{REPLACE});
            for ($f, $r) { s/%%/\n/g; }
            local $/; my $text = <>;
            my $count = () = $text =~ /\Q$f\E/g;
            if ($count != 1) { print $text; exit 3; }
            $text =~ s/\Q$f\E/$r/;
            print $text;' "$target" 2>/dev/null; then
        git -C "$work" checkout -q -- "$file"
        results+=("$(printf '%-9s %-8s %s: %s' "$area" "gone" "$file" "$find")")
        continue
    fi
    pattern="^(${tests//,/|})\$"
    outcome=
    if ! cmake --build "$work/build" -j"$(nproc)" --target ${tests//,/ } >"$work/build.log" 2>&1; then
        # The build tests the sample format on its sample file itself: a fault that fails that
        # test is caught there.
        if grep -q "velkora test 0001 on a new database failed" "$work/build.log"; then
            outcome="caught"
            total[$area]=$((${total[$area]:-0} + 1))
            caught[$area]=$((${caught[$area]:-0} + 1))
        else
            outcome="unbuilt"
        fi
    elif (cd "$work/build" && QT_QPA_PLATFORM=offscreen ctest -R "$pattern" --timeout 300 \
            >/dev/null 2>&1); then
        outcome="MISSED"
        total[$area]=$((${total[$area]:-0} + 1))
    else
        outcome="caught"
        total[$area]=$((${total[$area]:-0} + 1))
        caught[$area]=$((${caught[$area]:-0} + 1))
    fi
    git -C "$work" checkout -q -- "$file"
    results+=("$(printf '%-9s %-8s %s: %s -> %s' "$area" "$outcome" "$file" "$find" "$replace")")
    echo "${results[-1]}"
done <"$list"
# Leave the build matching the sources.
cmake --build "$work/build" -j"$(nproc)" >/dev/null 2>&1

echo
echo "area      caught / counted"
all=0
allCaught=0
for area in $(printf '%s\n' "${!total[@]}" | sort); do
    c=${caught[$area]:-0}
    t=${total[$area]}
    all=$((all + t))
    allCaught=$((allCaught + c))
    printf '%-9s %6d / %d  (%d%%)\n' "$area" "$c" "$t" $((100 * c / t))
done
[ "$all" -gt 0 ] && printf '%-9s %6d / %d  (%d%%)\n' "all" "$allCaught" "$all" $((100 * allCaught / all))
for line in "${results[@]}"; do
    case $line in *" gone "* | *" unbuilt "*) echo "not counted: $line" ;; esac
done
