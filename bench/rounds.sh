# Shared by the benchmark scripts; sourced, not run.

# Times the commands in turn, one run of each per round, so that the machine's
# speed drifting during the run slows them alike (hyperfine alone would take
# every run of the first command before the second). Round 0 is a warm-up.
#   time_in_rounds <result prefix> <runs> <warm-up rounds: 0 or 1> -n name 'command' ...
time_in_rounds() {
    local prefix=$1 runs=$2 warmup=$3
    shift 3
    for ((round = 1 - warmup; round <= runs; round++)); do
        hyperfine --style none --runs 1 --output null --export-json "$prefix.$round.json" "$@" >/dev/null
    done
    rm -f "$prefix.0.json"
}
