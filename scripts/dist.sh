#!/usr/bin/env bash
# make dist: builds the release programs for x64 and x86 (Release, in build/dist-win64 and
# build/dist-win32, which no other target uses), checks them and packs them with the usage note
# and the licence texts into build/dist/QNBootRepair-<version>.zip.
#
# QN_BOOT_TOOLS_DIR=folder embeds Microsoft's boot tools (README, "Embedding the boot tools");
# without it the programs carry none and must stay within the size budget.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

fail() {
    echo "dist: $*" >&2
    exit 1
}

# project()'s version is the one the programs' version resources and reports carry.
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9][0-9.]*\)[ )].*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in the project() line of CMakeLists.txt"
tools="${QN_BOOT_TOOLS_DIR:-}"
if [ -n "$tools" ] && [ ! -d "$tools" ]; then
    fail "QN_BOOT_TOOLS_DIR is not a folder: $tools"
fi

# A zip of an earlier run must not pass for this one's when this one fails.
zip="build/dist/QNBootRepair-$version.zip"
rm -f "$zip"
mkdir -p build
declare -A machine=([win64]=x64 [win32]=x86)
for preset in win64 win32; do
    dir="build/dist-$preset"
    echo "== $preset: $dir"
    # Every setting given each time: a folder configured earlier keeps no other tools or type.
    cmake --preset "$preset" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQN_BUILD_TESTS=OFF \
        "-DQN_BOOT_TOOLS_DIR=$tools" > "$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log" >&2; fail "configuring $preset failed"; }
    cmake --build "$dir" --target QNBootRepair
    program="$dir/src/app/QNBootRepair.exe"
    python3 scripts/pe_version.py "$program" --machine "${machine[$preset]}" \
        --version "$version" --description "QuenraNT 引导修复工具" --filename QNBootRepair.exe ||
        fail "$program does not carry the version resource of $version"
done

x64=build/dist-win64/src/app/QNBootRepair.exe
x86=build/dist-win32/src/app/QNBootRepair.exe
carried=$(python3 scripts/pe_version.py "$x64" --tools | tr '\n' ' ')
[ "$carried" = "$(python3 scripts/pe_version.py "$x86" --tools | tr '\n' ' ')" ] ||
    fail "the x64 and x86 programs carry different boot tools"
if [ -z "$carried" ]; then
    budget=$(sed -n 's/^QN_PROGRAM_SIZE_BUDGET:STRING=//p' build/dist-win64/CMakeCache.txt)
    [ -n "$budget" ] || fail "no QN_PROGRAM_SIZE_BUDGET in build/dist-win64/CMakeCache.txt"
    for program in "$x64" "$x86"; do
        size=$(stat -c %s "$program")
        [ "$size" -le "$budget" ] ||
            fail "$program is $size bytes, over its budget of $budget bytes"
    done
fi

python3 scripts/dist_pack.py --version "$version" --x64 "$x64" --x86 "$x86" \
    --carried "$carried" --out "$zip"
echo "== $zip"
echo "x64 $(stat -c %s "$x64") bytes, x86 $(stat -c %s "$x86") bytes, boot tools: ${carried:-none}"
python3 scripts/dist_pack.py --show "$zip"
