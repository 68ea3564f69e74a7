#!/usr/bin/env bash
# Extraction benchmark: our Tools::Extract (bench/bench_extract.exe, under
# Wine) against `7zz x` (native) on the same archive, an interface-package-like
# 7z archive of about 200 MiB: BCJ x86 + LZMA, encrypted with a password, a few
# thousand files (x86 PE binaries, ELF libraries, source text, incompressible
# data). The archive is made once and cached.
#
#   bash scripts/bench-extract.sh [build dir]        (default: build)
#
# Environment: BENCH_RUNS (timed runs of each, best counts; default 3),
# BENCH_CACHE (archive cache folder; default <build dir>/bench/data),
# BENCH_STRICT=1 (exit 1 when ours is slower than 0.8 x 7zz's speed).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="$(cd "${1:-$ROOT/build}" && pwd)"
EXE="$BUILD_DIR/bench/bench_extract.exe"
CACHE="${BENCH_CACHE:-$BUILD_DIR/bench/data}"
RUNS="${BENCH_RUNS:-3}"
SEVENZ="${SEVENZ:-7zz}"
PASSWORD="5f4dcc3b5aa765d61d8327deb882cf99"
RECIPE="bench-extract recipe 2: BCJ+LZMA mx5 7zAES; PE 250M, ELF 100M, text 40M, random 150M"
ARCHIVE="$CACHE/bench.7z"
TARGET="0.80"

if [ ! -f "$EXE" ]; then
    echo "bench-extract: $EXE is missing; build first (make build BUILD_DIR=...)" >&2
    exit 1
fi
command -v "$SEVENZ" >/dev/null || { echo "bench-extract: $SEVENZ not found" >&2; exit 1; }
mkdir -p "$CACHE"

# ---- the archive (made once) ----
copy_until() {  # copy_until <budget bytes> <dest> <files...>: copies files until the budget is spent
    local budget="$1" dest="$2" total=0 n=0
    shift 2
    mkdir -p "$dest"
    for f in "$@"; do
        local size
        size=$(stat -c %s "$f")
        [ "$size" -gt $((32 << 20)) ] && continue
        [ $((total + size)) -gt "$budget" ] && continue
        # Keep a little of the source layout: one folder per source folder
        # (lower-cased: Windows names are case-insensitive, Linux ones are not).
        local sub
        sub="$dest/$(basename "$(dirname "$f")" | tr '[:upper:]' '[:lower:]')"
        mkdir -p "$sub"
        cp "$f" "$sub/$(printf '%05d' "$n")_$(basename "$f")"
        total=$((total + size))
        n=$((n + 1))
    done
    echo "$n files, $((total >> 20)) MiB into $(basename "$dest")"
}

make_archive() {
    echo "bench-extract: making the benchmark archive (once; cached in $CACHE) ..."
    local src="$CACHE/src"
    rm -rf "$src" "$ARCHIVE"
    mkdir -p "$src"
    # x86 Windows binaries: what an installer mostly carries, and what BCJ x86 is for.
    mapfile -t pe < <(find /usr/lib/i386-linux-gnu/wine /usr/lib/gcc/i686-w64-mingw32 /usr/i686-w64-mingw32 \
        -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.a' \) 2>/dev/null | sort)
    copy_until $((250 << 20)) "$src/pe" "${pe[@]}"
    mapfile -t elf < <(find /usr/lib/x86_64-linux-gnu -type f -name '*.so*' 2>/dev/null | sort)
    copy_until $((100 << 20)) "$src/elf" "${elf[@]}"
    mapfile -t text < <(find /usr/lib/python3* /usr/share/perl /usr/share/cmake* -type f \
        \( -name '*.py' -o -name '*.pm' -o -name '*.pl' -o -name '*.cmake' -o -name '*.txt' \) 2>/dev/null | sort)
    copy_until $((40 << 20)) "$src/text" "${text[@]}"
    # Already-compressed assets (images, nested archives): incompressible data,
    # files of 16 KiB to 800 KiB, 150 MiB in all.
    python3 - "$src/assets" <<'EOF'
import os, random, sys
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rnd = random.Random(2024)
total, i = 0, 0
while total < (150 << 20):
    size = min(rnd.randrange(16 << 10, 800 << 10), (150 << 20) - total)
    with open(os.path.join(out, "asset_%04d.bin" % i), "wb") as f:
        f.write(os.urandom(size))
    total += size
    i += 1
print("%d files, %d MiB into assets" % (i, total >> 20))
EOF
    (cd "$src" && "$SEVENZ" a -t7z -bso0 -bsp0 -m0=BCJ -m1=LZMA -mx=5 -mhe=off "-p$PASSWORD" "$ARCHIVE.tmp" . )
    mv "$ARCHIVE.tmp" "$ARCHIVE"
    rm -rf "$src"
    echo "$RECIPE" > "$CACHE/bench.recipe"
}

if [ ! -f "$ARCHIVE" ] || [ "$(cat "$CACHE/bench.recipe" 2>/dev/null)" != "$RECIPE" ]; then
    make_archive
fi

archive_mib=$(( $(stat -c %s "$ARCHIVE") >> 20 ))
read -r files unpacked < <("$SEVENZ" l -p"$PASSWORD" "$ARCHIVE" |
    awk '/ files/ { for (i = 2; i <= NF; i++) if ($i ~ /^files,?$/) n = $(i - 1); u = $3 } END { print n, u }')
echo "archive: $ARCHIVE ($archive_mib MiB, ${files:-?} files, $(( ${unpacked:-0} >> 20 )) MiB unpacked)"
echo "method:  $("$SEVENZ" l -slt -p"$PASSWORD" "$ARCHIVE" | awk -F' = ' '/^Method = ./ {print $2; exit}')"

# ---- timing ----
echo "machine: $(nproc) CPUs, load average $(cut -d" " -f1-3 /proc/loadavg) (other work on the machine shows in both times)"
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

OUT_7ZZ="$CACHE/out-7zz"
OUT_OURS="$CACHE/out-ours"

run_7zz() {  # prints "<wall ms> <cpu ms>"
    rm -rf "$OUT_7ZZ"
    sync
    local times
    times=$( { TIMEFORMAT='%3R %3U %3S'; time "$SEVENZ" x -y -bso0 -bsp0 "-p$PASSWORD" "-o$OUT_7ZZ" "$ARCHIVE" >/dev/null; } 2>&1 )
    awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' <<<"$times"
}

run_ours() {  # prints "<in-process ms> <wall ms including Wine start-up> <cpu ms of our process>"
    rm -rf "$OUT_OURS"
    sync
    local start end line
    start=$(now_ms)
    line=$(bash "$ROOT/scripts/wine-run.sh" "$EXE" "$(winpath "$ARCHIVE")" "$(winpath "$OUT_OURS")" "$PASSWORD" | tr -d '\r')
    end=$(now_ms)
    case "$line" in
        *result=success*) ;;
        *) echo "bench-extract: our extraction failed: $line" >&2; exit 1 ;;
    esac
    awk -v wall=$((end - start)) '{
        for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
        printf "%d %d %d\n", v["extract_ms"], wall, v["user_ms"] + v["kernel_ms"]
    }' <<<"$line"
}

# Warm-up: the archive in the page cache, the Wine prefix booted, wineserver up.
bash "$ROOT/scripts/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true
run_7zz >/dev/null
run_ours >/dev/null

# The two results must be the same tree.
if ! diff -rq "$OUT_7ZZ" "$OUT_OURS" >/dev/null; then
    echo "bench-extract: our output differs from 7zz's" >&2
    exit 1
fi

best_7zz=""
best_ours=""
best_wall=""
for i in $(seq 1 "$RUNS"); do
    read -r t7 c7 < <(run_7zz)
    read -r to tw co < <(run_ours)
    echo "run $i: 7zz ${t7} ms (cpu ${c7} ms); ours ${to} ms (cpu ${co} ms; ${tw} ms with Wine start-up)"
    [ -z "$best_7zz" ] || [ "$t7" -lt "$best_7zz" ] && best_7zz=$t7
    [ -z "$best_ours" ] || [ "$to" -lt "$best_ours" ] && best_ours=$to
    [ -z "$best_wall" ] || [ "$tw" -lt "$best_wall" ] && best_wall=$tw
done
rm -rf "$OUT_7ZZ" "$OUT_OURS"

ratio=$(awk -v a="$best_7zz" -v b="$best_ours" 'BEGIN { printf "%.2f", a / b }')
ratio_wall=$(awk -v a="$best_7zz" -v b="$best_wall" 'BEGIN { printf "%.2f", a / b }')
echo "best:  7zz x ${best_7zz} ms; ours ${best_ours} ms in process, ${best_wall} ms with Wine start-up"
echo "speed: ours / 7zz = ${ratio} (with Wine start-up ${ratio_wall}); target >= ${TARGET}"
if awk -v r="$ratio" -v t="$TARGET" 'BEGIN { exit !(r >= t) }'; then
    echo "bench-extract: target met"
else
    echo "bench-extract: BELOW TARGET"
    [ "${BENCH_STRICT:-0}" = 1 ] && exit 1
fi
exit 0
