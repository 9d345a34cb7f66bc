#!/bin/sh
# A stand-in for an engine that misbehaves, chosen by the first argument:
#   hang [seconds]        never ends by itself (sleeps, 3600 s by default)
#   crash                 dies from a signal (SIGSEGV)
#   stopped               dies from a stop signal (SIGTERM), as when someone kills it
#   exit CODE [text]      prints text (if any) and exits with CODE
#   flood LINES           prints LINES numbered lines on stdout and stderr
#   progress STEPS        prints "\r"-ended progress lines, one per 0.05 s, then exits 0
#   echo ARGS...          prints each argument on its own line, exits 0
#   print TEXT [errtext]  prints TEXT on stdout and errtext on stderr, exits 0
#   touch FILE [code]     writes FILE, then exits with code (0 by default)
#   partial-hang TEXT     prints TEXT, then hangs
#   slow SECONDS PROGRAM [ARGS...]
#                         waits SECONDS, then runs PROGRAM with ARGS
#   burn MS PROGRAM [ARGS...]
#                         works for MS milliseconds (keeps a processor busy, printing
#                         nothing), then runs PROGRAM with ARGS: an engine slowed by a busy
#                         machine
#   wait-for FILE         ends well (exit 0) once FILE exists
#   pause-after LINES SECONDS PROGRAM [ARGS...]
#                         runs PROGRAM with ARGS, passing on the first LINES lines it prints,
#                         then pauses SECONDS (doing nothing) before the rest: with more lines
#                         than it prints, it hangs at its end
#   slow-end SECONDS      prints "ready", never ends by itself; asked to stop (SIGTERM), it
#                         takes SECONDS to end, as an engine finishing a write in progress does
#                         (a second SIGTERM meanwhile does not start its end again)
#   endless [err]         prints lines without end on stdout (on stderr with "err")
#   line BYTES            prints one line of BYTES characters, then a line end
#   bytes BYTES           prints BYTES characters without any line end
#   warn-then N TEXT PROGRAM [ARGS...]
#                         prints TEXT N times on stderr, then runs PROGRAM with ARGS
#   fsize-limit BYTES PROGRAM [ARGS...]
#                         runs PROGRAM with ARGS on a "disk" that fills after about BYTES
#                         (rounded up to 512) per file: writes past it fail with EFBIG, as
#                         on a full disk, instead of killing the program (SIGXFSZ ignored)
mode=$1; shift
case "$mode" in
  hang) exec sleep "${1:-3600}" ;;
  crash) kill -SEGV $$ ;;
  stopped) kill -TERM $$ ;;
  exit) [ -n "$2" ] && printf '%s\n' "$2"; exit "$1" ;;
  flood) i=0; while [ $i -lt "$1" ]; do echo "out line $i"; echo "err line $i" >&2; i=$((i+1)); done ;;
  progress) i=1; while [ $i -le "$1" ]; do printf 'Pos: %d.0s %4df (%2d%%) 25.00fps Trem:   1min  10mb  A-V:0.000 [800:128]\r' "$i" "$((i*25))" "$((i*100/$1))"; sleep 0.05; i=$((i+1)); done; printf '\n' ;;
  echo) for a in "$@"; do printf '%s\n' "$a"; done ;;
  print) printf '%s\n' "$1"; [ -n "$2" ] && printf '%s\n' "$2" >&2; exit 0 ;;
  touch) printf 'data' > "$1"; exit "${2:-0}" ;;
  warn-then) n=$1; text=$2; shift 2; i=0; while [ $i -lt "$n" ]; do printf '%s\n' "$text" >&2; i=$((i+1)); done; exec "$@" ;;
  slow) sleep "$1"; shift; exec "$@" ;;
  burn) end=$(( $(date +%s%N) / 1000000 + $1 )); shift
        while [ $(( $(date +%s%N) / 1000000 )) -lt "$end" ]; do j=0; while [ $j -lt 2000 ]; do j=$((j+1)); done; done
        exec "$@" ;;
  endless) if [ "$1" = err ]; then exec yes 'endless output line' >&2; else exec yes 'endless output line'; fi ;;
  line) head -c "$1" /dev/zero | tr '\0' x; printf '\n' ;;
  bytes) head -c "$1" /dev/zero | tr '\0' x ;;
  fsize-limit) blocks=$(( ($1 + 511) / 512 )); shift; trap '' XFSZ; ulimit -f "$blocks"; exec "$@" ;;
  partial-hang) printf '%s\n' "$1"; exec sleep 3600 ;;
  slow-end) trap 'trap "" TERM; kill $! 2>/dev/null; sleep "$1"; exit 143' TERM; echo ready; sleep 3600 & wait ;;
  wait-for) while [ ! -e "$1" ]; do sleep 0.02; done ;;
  pause-after) n=$1; pause=$2; shift 2
        "$@" | { i=0; while [ $i -lt "$n" ] && IFS= read -r l; do printf '%s\n' "$l"; i=$((i+1)); done; sleep "$pause"; cat; } ;;
  *) echo "fakeengine: unknown mode '$mode'" >&2; exit 64 ;;
esac
