# Sourced by the end-to-end scripts, which set "$program" (the window program), "$closer" (the
# close_window_by_caption program) and "$work" (a temporary folder).
caption="Image Hiding (Steganography) Demonstrator"

# Runs the command until it succeeds, ten times a second for at most ten seconds; 1 when it never
# did.
wait_for() {
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ "$tries" -gt 100 ] && return 1
        sleep 0.1
    done
}

# Starts "$program" with its output in "$work/out.txt"; sets `pid`.
start_program() {
    "$program" >"$work/out.txt" 2>&1 &
    pid=$!
}

# Closes the program's window by the caption as the close box does and waits up to 20 seconds for
# the program to end by itself. Sets `status` to its exit status; exits 1 when the window never
# showed or the program did not end.
close_and_wait() {
    if ! "$closer" "$caption" 30 >/dev/null; then
        kill "$pid" 2>/dev/null
        cat "$work/out.txt"
        exit 1
    fi
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1))
        if [ "$i" -gt 200 ]; then
            echo "the program did not end after its window was closed"
            kill "$pid"
            exit 1
        fi
        sleep 0.1
    done
    wait "$pid"
    status=$?
}

# Starts the program and closes its window as soon as it shows.
run_until_closed() {
    start_program
    close_and_wait
}
