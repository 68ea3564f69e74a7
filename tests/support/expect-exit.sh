#!/usr/bin/env bash
# expect-exit.sh CODE COMMAND...: runs COMMAND and succeeds only when it exits with CODE.
want="$1"; shift
"$@"
got=$?
if [ "$got" != "$want" ]; then
    echo "expected exit code $want, got $got" >&2
    exit 1
fi
echo "exit code $got as expected"
