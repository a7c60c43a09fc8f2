# Starts an X server of its own for a test: sourced by the end-to-end tests. Expects the
# caller's log and fail functions, $work (a private folder), ScreenWidth, ScreenHeight and
# TimeoutSeconds; sets xvfb_pid, display_ready and exports DISPLAY.

# Each attempt takes a display number at random, far from the usual ones: the abstract socket
# namespace, which X clients try first, may be shared with X servers of other containers, and a
# server there on a low number would take our program's connection. Xvfb writes the number to
# the descriptor once it is ready; a number already taken makes it exit, and another is tried.
start_x_server() {
    local attempt
    for attempt in 1 2 3 4 5; do
        local number=$((1000 + RANDOM % 9000))
        : >"$work/display"
        Xvfb ":$number" -displayfd 3 -nolisten tcp -screen 0 "${ScreenWidth}x${ScreenHeight}x24" \
            3>"$work/display" >"$work/xvfb.log" 2>&1 </dev/null &
        xvfb_pid=$!
        local deadline=$((SECONDS + TimeoutSeconds))
        until grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; do
            kill -0 "$xvfb_pid" 2>/dev/null || continue 2
            [ "$SECONDS" -lt "$deadline" ] || fail "Xvfb did not report a display number"
            sleep 0.1
        done
        DISPLAY=":$(cat "$work/display")"
        export DISPLAY
        # A server that reported its number can still be out of reach, as when another X
        # server shares the abstract socket namespace under that number: then try another.
        if ! xwininfo -root >/dev/null 2>&1; then
            kill "$xvfb_pid" 2>/dev/null || true
            wait "$xvfb_pid" 2>/dev/null || true
            continue
        fi
        display_ready=1
        log "X server on display $DISPLAY (attempt $attempt)"
        return
    done
    fail "Xvfb did not start: $(cat "$work/xvfb.log")"
}
