# Shared by the compare scripts: best_time CMD... runs CMD $RUNS times
# (files in $dir) and prints "WALL CPU" of the fastest run.
best_time() {
    local best=""
    for _ in $(seq "$RUNS"); do
        local out
        /usr/bin/time -o "$dir/time" -f "%e %U %S" "$@" >/dev/null 2>&1
        out=$(tail -1 "$dir/time")
        local wall cpu
        wall=$(echo "$out" | awk '{print $1}')
        cpu=$(echo "$out" | awk '{printf "%.2f", $2 + $3}')
        if [ -z "$best" ] || awk "BEGIN{exit !($wall < ${best%% *})}"; then
            best="$wall $cpu"
        fi
    done
    echo "$best"
}
