# Sourced: starts and stops a private Xvfb display for Wine windows.

nera_start_xvfb() {
    local n
    for n in $(seq 91 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            NERA_XVFB_PID=$!
            export DISPLAY=":$n"
            local i
            for i in $(seq 1 100); do
                xdpyinfo >/dev/null 2>&1 && return 0
                sleep 0.1
            done
            echo "xvfb.sh: display :$n did not start" >&2
            return 1
        fi
    done
    echo "xvfb.sh: no free display number" >&2
    return 1
}

nera_stop_xvfb() {
    if [ -n "${NERA_XVFB_PID:-}" ]; then
        kill "$NERA_XVFB_PID" 2>/dev/null || true
        wait "$NERA_XVFB_PID" 2>/dev/null || true
        NERA_XVFB_PID=
    fi
}
