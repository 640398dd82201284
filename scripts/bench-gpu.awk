# Reads quessaly-render --stats run under Mesa's no-op driver and prints its table with a verdict per scene
# against the frame budget left to a GPU: median and 99th percentile in ms, draws a frame. The loader's frames
# build the scenes and are not played, so they are shown but not judged.
BEGIN {
    medianGoal = 2.0; p99Goal = 4.0; drawGoal = 200
}
/^loading:/ { print; next }
/^scene / { print $0 "  verdict"; table = 1; next }
table && NF >= 7 {
    verdict = "ok"
    if ($1 == "LOADER") {
        verdict = "(loading)"
    } else {
        over = ""
        if ($3 > medianGoal) over = over " median>" medianGoal
        if ($4 > p99Goal) over = over " p99>" p99Goal
        if ($6 > drawGoal) over = over " draws>" drawGoal
        if (over != "") { verdict = "OVER:" over; ++failed }
        ++judged
    }
    print $0 "  " verdict
}
END {
    if (!judged) { print "bench-gpu: no statistics table read"; exit 1 }
    printf "%d of %d scenes within a %.0f ms median, a %.0f ms 99th percentile and %d draws a frame\n", \
        judged - failed, judged, medianGoal, p99Goal, drawGoal
}
