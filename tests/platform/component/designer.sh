#!/usr/bin/env bash
# Starts Qt Designer with PLUGIN_ROOT (a folder holding designer/) on Qt's plugin path and FORM open; passes when
# Designer loads both control plugins and is still running a few seconds after opening the form.
#   designer.sh PLUGIN_ROOT FORM        (run on an X display; exits 77 when Designer is not installed)
set -u
root=$1 form=$2
designer=$(command -v designer || echo /usr/lib/qt6/bin/designer)
if [ ! -x "$designer" ]; then
  echo "SKIPPED: Qt Designer is not installed (designer-qt6 in scripts/packages.txt)"
  exit 77
fi
log=$(mktemp)
QT_PLUGIN_PATH=$root QT_DEBUG_PLUGINS=1 QT_LOGGING_RULES="qt.core.library.debug=true" \
  "$designer" "$form" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -f "$log"' EXIT
loaded() { grep -q "lib$1_designer.so\" loaded library" "$log"; }
for _ in $(seq 300); do
  loaded glissor && loaded lumaband && break
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
sleep 3
status=0
for control in glissor lumaband; do
  if ! loaded $control; then
    echo "Designer did not load the $control plugin"
    status=1
  fi
done
if ! kill -0 $pid 2>/dev/null; then
  wait $pid
  echo "Designer ended (exit $?) with the form open"
  status=1
fi
[ $status -eq 0 ] || grep -i "glissor\|lumaband\|abort\|terminate" "$log" | head -20
exit $status
