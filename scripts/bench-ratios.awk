# Reads Google Benchmark's console output and prints, for every benchmark that has a `_Plain` twin, the
# CPU time of both and how many times faster the scenes' own loop is.
function nanoseconds(value, unit) {
    if (unit == "us") return value * 1e3
    if (unit == "ms") return value * 1e6
    if (unit == "s") return value * 1e9
    return value
}
/^BM_/ && NF >= 5 {
    cpu[$1] = nanoseconds($4, $5)
    order[++count] = $1
}
END {
    printed = 0
    for (i = 1; i <= count; ++i) {
        name = order[i]
        # An argument suffix (/5) follows the twin's _Plain.
        slash = index(name, "/")
        plain = slash ? substr(name, 1, slash - 1) "_Plain" substr(name, slash) : name "_Plain"
        if (!(plain in cpu)) continue
        if (!printed++) printf "\n%-44s %14s %14s %8s\n", "per-frame loop", "own (us)", "plain (us)", "ratio"
        printf "%-44s %14.3f %14.3f %7.2fx\n", name, cpu[name] / 1e3, cpu[plain] / 1e3, cpu[plain] / cpu[name]
    }
}
