#!/bin/sh
# The layer check must fail on upward includes: a model tree with one include against each rule
# (an engine reaching the session, a control reaching the engine, the program reaching the
# platform) is refused with every one of them named; a tree that only points down passes.
set -eu
check="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/midi" "$tree/screens/controls" "$tree/app" "$tree/session"
printf '#include "core/Notifier.h"\n#include "session/Session.h"\n' >"$tree/midi/Dispatcher.cpp"
printf '#include "res/Strings.h"\n#include "midi/Split.h"\n' >"$tree/screens/controls/Pad.h"
printf '#include "session/Session.h"\n#include "platform/MidiPorts.h"\n' >"$tree/app/Shell.cpp"
printf '#include "video/VideoEngine.h"\n#include "midi/Performance.h"\n' >"$tree/session/Session.cpp"
if out=$(/usr/bin/python3 "$check" "$tree"); then
  echo "upward includes were not caught:"; echo "$out"; exit 1
fi
for expected in 'midi/Dispatcher.cpp:2' 'screens/controls/Pad.h:2' 'app/Shell.cpp:2'; do
  echo "$out" | grep -q "^$expected: " || { echo "not named: $expected"; echo "$out"; exit 1; }
done
[ "$(echo "$out" | grep -c ': .* may not include ')" -eq 3 ] || { echo "$out"; exit 1; }
rm "$tree/midi/Dispatcher.cpp" "$tree/screens/controls/Pad.h" "$tree/app/Shell.cpp"
/usr/bin/python3 "$check" "$tree" >/dev/null
echo "upward includes caught"
