#!/usr/bin/env bash
# scripts/sensor-bus itself: the command sees the private bus and not the session bus, its
# exit status comes back, a command over the time-out is stopped, and the bus and simulator
# are gone afterwards. Arguments: the script, the simulator.
set -u
bus="$1"; sim="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

out="$(DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$bus" --sim "$sim" --timeout 20 -- \
    bash -c 'echo "$DBUS_SYSTEM_BUS_ADDRESS|${DBUS_SESSION_BUS_ADDRESS-unset}|$BLUETOOTH_FORCE_DBUS_LE_VERSION"; exit 7')"
status=$?
[ $status -eq 7 ] || fail "exit status $status, not 7"
case "$out" in
    unix:path=*"|unset|5.66") ;;
    *) fail "environment: $out" ;;
esac
socket="${out%%,*}"; socket="${socket#unix:path=}"
[ ! -e "$socket" ] || fail "bus socket $socket left behind"

"$bus" --sim "$sim" --timeout 1 -- sleep 30
status=$?
[ $status -eq 124 ] || fail "time-out gave $status, not 124"

"$bus" --sim "$sim" --sensor colour=red -- true 2>/dev/null
status=$?
[ $status -eq 3 ] || fail "a simulator that cannot start gave $status, not 3"
echo "sensor-bus: ok"
