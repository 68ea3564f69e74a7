#!/usr/bin/env bash
# check_canaries.sh WINE_RUN DIR NAME,NAME...: the probe in DIR, started like
# the program, must not load any canary DLL beside it; started without the
# protection it must load one (so the canaries are known to work).
set -u
wine_run="$1"; dir="$2"; IFS=, read -r -a names <<< "$3"
# Prefer DLLs found beside the program over Wine's own, as Windows does: a
# leak in the search order would then load the canary.
overrides="mscoree,mshtml="
for n in "${names[@]}"; do overrides="$overrides;$n=n,b"; done
export WINEDLLOVERRIDES="$overrides"
cd "$dir"
rm -f ./*.loaded
"$wine_run" "$dir/dll_search_probe.exe" --unprotected
if [ ! -e psapi.loaded ]; then
    echo "control run: the canary psapi.dll was not loaded; the check would prove nothing" >&2
    exit 1
fi
rm -f ./*.loaded
canary_args=()
for n in "${names[@]}"; do canary_args+=("--canary=$n"); done
out=$("$wine_run" "$dir/dll_search_probe.exe" "${canary_args[@]}") || { echo "probe failed" >&2; exit 1; }
echo "$out"
preloaded=$(echo "$out" | sed -n 's/^preloaded: //p' | tr -d '\r')
leaked=""
for n in "${names[@]}"; do
    if [ -e "$n.loaded" ] && ! echo "$preloaded" | grep -qx "$n"; then leaked="$leaked $n"; fi
done
if [ -n "$leaked" ]; then
    echo "planted DLLs were loaded by the program:$leaked" >&2
    exit 1
fi
checked=0
for n in "${names[@]}"; do echo "$preloaded" | grep -qx "$n" || checked=$((checked + 1)); done
[ -n "$preloaded" ] && echo "loaded by the system's own DLLs before the program started (not the program's doing): $preloaded"
[ "$checked" -ge 5 ] || { echo "too few DLLs left to check ($checked)" >&2; exit 1; }
echo "no planted DLL loaded by the program ($checked of ${#names[@]} checked)"
