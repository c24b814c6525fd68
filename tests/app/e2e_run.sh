# Sourced by the end-to-end scripts: runs "$program" with its output in "$work/out.txt", closes its
# window by the caption as the close box does (with "$closer"), and waits up to 20 seconds for the
# program to end by itself. Sets `status` to its exit status; exits 1 when the window never showed
# or the program did not end.
run_until_closed() {
    "$program" >"$work/out.txt" 2>&1 &
    pid=$!
    if ! "$closer" "Image Hiding (Steganography) Demonstrator" 30; then
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
