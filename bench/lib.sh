# Sourced by the bench scripts, from the repository's top folder.

# bench_build FOLDER TARGET: configures FOLDER for RelWithDebInfo and builds TARGET there.
bench_build() {
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$1" --target "$2" -j3 >/dev/null
}

# median VALUE...: the middle value, or the mean of the two middle ones.
median() {
    printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'
}

# start_standin LINK ARGS...: the stand-in from build/ in the background on LINK, its pid in
# $standin, its output in LINK.out and LINK.log; returns once the link is there.
start_standin() {
    local link=$1
    shift
    build/tools/meter_standin --link "$link" "$@" >"$link.out" 2>"$link.log" &
    standin=$!
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
}

# start_xvfb: a real X server for the xcb platform, on a display Xvfb picks free itself; exports
# DISPLAY, sets $xvfb to its pid (stop it with stop_xvfb, e.g. from an EXIT trap).
xvfb=
start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb=$!
    local n
    # The number is written once the server is ready to take clients.
    if ! read -r -t 10 n <"$fifo"; then
        rm -f "$fifo"
        echo "Xvfb did not start" >&2
        return 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$n"
}
stop_xvfb() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
        xvfb=
    fi
}
