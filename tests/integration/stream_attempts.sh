# Runs a stream check ("$@") up to three times while it fails only because the simulated
# device ran short (exit 4: the machine stalled the streaming threads, as a loaded or
# virtualised machine does now and then). Any other failure, a loopback that differs while
# the device had everything it needed, fails at once.
stream_attempts() {
  local status=0
  for attempt in 1 2 3; do
    status=0
    "$@" || status=$?
    if [ "$status" -ne 4 ]; then
      return "$status"
    fi
    echo "stream check: attempt $attempt ran short on this machine; trying again" >&2
  done
  return "$status"
}
