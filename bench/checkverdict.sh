#!/bin/sh
# Runs a benchmark and reads its verdict as its reader would: every goal it prints is said
# to be met or FAIL, its last line sums them up, and its exit code says the same (0 only
# when every goal is met). Whether the goals are met depends on the machine: not checked.
#   checkverdict.sh PROGRAM [ARGS...]
out=$("$@" 2>/dev/null)
code=$?
printf '%s\n' "$out"
goals=$(printf '%s\n' "$out" | grep 'goal:')
if [ -z "$goals" ]; then
    echo "checkverdict: no goal printed (exit $code)"
    exit 1
fi
unsaid=$(printf '%s\n' "$goals" | grep -v -E '\) (met|FAIL)$')
if [ -n "$unsaid" ]; then
    printf 'checkverdict: goals without a verdict:\n%s\n' "$unsaid"
    exit 1
fi
last=$(printf '%s\n' "$out" | tail -n 1)
if printf '%s\n' "$goals" | grep -q 'FAIL$'; then
    [ "$last" = "FAIL: a goal is missed" ] && [ "$code" -eq 1 ] && exit 0
else
    [ "$last" = "all goals met" ] && [ "$code" -eq 0 ] && exit 0
fi
echo "checkverdict: the goals' verdicts, the last line \"$last\" and the exit code $code disagree"
exit 1
