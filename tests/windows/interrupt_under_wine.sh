#!/bin/sh
# wav2lsd.exe interrupted in the first pass of --update, as Ctrl+C in a
# terminal interrupts it (SIGINT to its Wine process), while it reads a bank
# of huge sparse entries and has made no file yet. The run must not look
# finished: it ends with STATUS_CONTROL_C_EXIT, of which a Unix parent sees
# the low byte, 0x3A; no temporary file is left and the bank is as it was.
#   interrupt_under_wine.sh PROGRAM EMULATOR...
# Exits 77 (skipped) where the emulator cannot run the program.
set -u
program=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bank=$work/bank.lsd

# Sixteen entries of 2 GiB each, their samples left as holes: 32 GiB to
# read, no disk to hold them.
length_field='\000\377\377\177'  # 0x7FFFFF00
format='\001\000\001\000\100\037\000\000\100\037\000\000\001\000\010\000'
printf 'LEAD' >"$bank"
offset=4
for i in 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; do
    {
        printf 'huge%02d' "$i"
        head -c 26 /dev/zero
        printf '%b' "$length_field$format"
    } | dd of="$bank" bs=1 seek="$offset" conv=notrunc status=none
    offset=$((offset + 52 + 0x7FFFFF00 + 2))
done
truncate -s "$offset" "$bank"

(cd "$work" && exec "$@" "$program" --update bank.lsd >/dev/null 2>&1) &
pid=$!
# Interrupted once it has read 256 MiB, far more than Wine reads to start:
# then it is in the walk over the bank.
signalled=""
for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    read_bytes=$(sed -n 's/^rchar: //p' "/proc/$pid/io" 2>/dev/null)
    if [ "${read_bytes:-0}" -gt 268435456 ]; then
        if [ -n "$(find "$work" -name '*.wav2lsd-tmp*')" ]; then
            echo "FAILED: a temporary file was made before the first pass ended"
            kill -9 "$pid"
            exit 1
        fi
        kill -INT "$pid" && signalled=1
        break
    fi
    sleep 0.1
done
wait "$pid"
status=$?
if [ -z "$signalled" ]; then
    [ "$status" -eq 77 ] && { echo "SKIPPED: the program does not run here"; exit 77; }
    kill -9 "$pid" 2>/dev/null
    echo "FAILED: wav2lsd.exe was never seen reading the bank (exit status $status)"
    exit 1
fi
failed=0
[ "$status" -eq 58 ] || { echo "FAILED: exit status $status, not 58 (0xC000013A)"; failed=1; }
left=$(cd "$work" && ls -A)
[ "$left" = bank.lsd ] || { echo "FAILED: the folder holds: $left"; failed=1; }
[ "$(stat -c %s "$bank")" -eq "$offset" ] || { echo "FAILED: the bank changed size"; failed=1; }
[ "$failed" -eq 0 ] && echo "ok: interrupted in the first pass, exit status $status, nothing left"
exit "$failed"
