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
