# Sourced by the benchmark scripts: figures from lines of name=value pairs,
# one line a start.

# stat FILE NAME: the median [min-max] of the numeric NAME=value over the
# lines of FILE, "(n of m)" after it when only n lines have one; "-" when none.
stat() {
    awk -v f="$2" '{ for (i = 1; i <= NF; i++) if (index($i, f "=") == 1) {
                         x = substr($i, length(f) + 2); if (x ~ /^[0-9]/) print x } }' "$1" |
        sort -n | awk -v all="$(wc -l <"$1")" '{ v[NR] = $1 } END {
            if (NR == 0) { print "-"; exit }
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            s = sprintf("%g [%g-%g]", m, v[1], v[NR])
            if (NR < all) s = s sprintf(" (%d of %d)", NR, all)
            print s }'
}

# table LABEL WIDTH "ROWS" "NAMES": a table of stat figures, a row for each of
# ROWS (figures from $work/ROW.txt), a column WIDTH wide for each of NAMES;
# LABEL heads the rows' column.
table() {
    printf '%-15s' "$1"
    for f in $4; do printf " %-$2s" "$f"; done
    echo
    for row in $3; do
        printf '%-15s' "$row"
        for f in $4; do printf " %-$2s" "$(stat "$work/$row.txt" "$f")"; done
        echo
    done
}
