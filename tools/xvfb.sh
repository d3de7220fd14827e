# start_private_xvfb FIRST LAST: starts Xvfb on the first free display
# number in FIRST..LAST, exports DISPLAY and sets xvfb_pid (empty when no
# display was free). Source it; bash.
start_private_xvfb() {
  xvfb_pid=""
  local n
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X${n}-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      sleep 1
      return 0
    fi
  done
  return 1
}
