# Shared by the compare scripts: best_time CMD... runs CMD $RUNS times
# (files in $dir) and prints "WALL CPU" of the fastest run, or "fail" when
# a run fails (its standard error in $dir/err).
best_time() {
    local best=""
    for _ in $(seq "$RUNS"); do
        local out
        # bash's clock, to the millisecond (/usr/bin/time stops at hundredths).
        local TIMEFORMAT='%3R %3U %3S'
        if ! { time "$@" >/dev/null 2>"$dir/err"; } 2>"$dir/time"; then
            echo fail
            return
        fi
        out=$(tail -1 "$dir/time")
        local wall cpu
        wall=$(echo "$out" | awk '{print $1}')
        cpu=$(echo "$out" | awk '{printf "%.3f", $2 + $3}')
        if [ -z "$best" ] || awk "BEGIN{exit !($wall < ${best%% *})}"; then
            best="$wall $cpu"
        fi
    done
    echo "$best"
}
