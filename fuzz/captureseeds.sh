#!/bin/sh
# Captures the fuzz targets' seeds from the real engines: what each engine prints for the
# queries and runs the program makes, on clips made here. Run it again after an engine
# update to refresh them:  sh fuzz/captureseeds.sh
# Each seed is cut to 64 KiB, the longest input the fuzz runs try. The seeds of the update
# reply, the settings file and the recent list are written by hand: no engine prints them.
set -u
here=$(cd "$(dirname "$0")" && pwd)
seeds="$here/seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

seed() { # seed TARGET NAME: standard input becomes seeds/TARGET/NAME
    mkdir -p "$seeds/$1"
    head -c 65536 > "$seeds/$1/$2"
}

# Clips: an AVI with MPEG-4 and MP3, a Matroska with H.264, AAC and subtitles, one with a
# display width of 20 million pixels, and a short DVD-like MPEG program stream.
ffmpeg -v error -y -f lavfi -i testsrc=duration=3:size=320x240:rate=25 -f lavfi -i sine=duration=3 \
    -c:v mpeg4 -c:a libmp3lame "$work/clip.avi"
printf '1\n00:00:00,500 --> 00:00:02,000\nHello <b>there</b>\n' > "$work/sub.srt"
ffmpeg -v error -y -f lavfi -i testsrc=duration=3:size=320x240:rate=25 -f lavfi -i sine=duration=3 \
    -i "$work/sub.srt" -map 0 -map 1 -map 2 -c:v libx264 -preset ultrafast -c:a aac -c:s srt \
    -metadata:s:a:0 language=fre -metadata:s:a:0 title="Général <i>commentaire</i>" "$work/clip.mkv"
mkvmerge -q -o "$work/huge.mkv" --display-dimensions 0:20000000x240 "$work/clip.avi"
ffmpeg -v error -y -f lavfi -i testsrc=duration=3:size=720x576:rate=25 -f lavfi -i sine=duration=3 \
    -c:v mpeg2video -c:a mp2 -f vob "$work/clip.vob"

# MPlayer: identify passes, the status query, slave answers and standard error.
for clip in clip.avi clip.mkv huge.mkv clip.vob; do
    mplayer -noconfig all -identify -frames 0 -vo null -ao null -msglevel identify=4 "$work/$clip" 2>&1 \
        | seed mplayer "identify-$clip.txt"
done
mplayer -noconfig all -noquiet -nocache -nofs -nomouseinput -vo help -ao help 2>&1 | seed mplayer status-help.txt
printf 'get_time_pos\nget_property length\nget_property chapter\nget_video_resolution\nget_property deinterlace\nget_property speed\nget_property volume\nget_audio_bitrate\nget_file_name\nquit\n' \
    | mplayer -slave -quiet -noconfig all -vo null -ao null "$work/clip.mkv" 2>&1 | seed mplayer answers-slave.txt
mplayer -noconfig all -vo null -ao null "$work/missing.avi" 2>&1 | seed mplayer answers-missing.txt

# FFprobe: the version, the analysis the program asks for, and packet lists.
ffprobe -version | seed ffprobe version.txt
for clip in clip.avi clip.mkv huge.mkv clip.vob; do
    ffprobe -v quiet -show_format -show_streams -of json "$work/$clip" | seed ffprobe "$clip.json"
    ffprobe -v quiet -show_format -show_streams "$work/$clip" | seed ffprobe "$clip.sections"
done
ffprobe -v error -select_streams V:0 -read_intervals '%+#5' -show_entries packet=pts_time,dts_time,duration_time,flags,data_hash \
    -show_data_hash MD5 -show_packets -of json "$work/clip.avi" | seed ffprobe packets.json
ffprobe -v error -select_streams V:0 -read_intervals '%+#5' -show_entries packet=pts_time,dts_time,duration_time,flags \
    -show_packets "$work/clip.vob" | seed ffprobe packets.sections

# MediaInfo: the version and the report of each clip.
mediainfo --version | seed mediainfo version.txt
for clip in clip.avi clip.mkv huge.mkv clip.vob; do
    mediainfo "$work/$clip" | seed mediainfo "$clip.txt"
done

# MEncoder: the status query, a short encode's progress on standard output and its end.
mencoder -ovc help -oac help -of help 2>&1 | seed mencoder help.txt
mencoder "$work/clip.avi" -ovc lavc -oac mp3lame -frames 40 -o "$work/out.avi" 2>"$work/mencoder.err" \
    | tee "$work/mencoder.out" | seed progress mencoder-encode.txt
seed mencoder command-check.txt < "$work/mencoder.out"
mencoder "$work/missing.avi" -ovc lavc -oac mp3lame -o "$work/out.avi" 2>&1 | seed mencoder failed.txt

# FFmpeg: the queries, a short encode's progress on standard error, a failed run.
ffmpeg -hide_banner -version | seed ffmpeg version.txt
ffmpeg -hide_banner -codecs 2>/dev/null | seed ffmpeg codecs.txt
ffmpeg -hide_banner -formats 2>/dev/null | seed ffmpeg formats.txt
ffmpeg -nostdin -y -i "$work/clip.avi" -c:v mpeg4 -c:a mp2 "$work/out.mkv" 2>&1 | seed progress ffmpeg-encode.txt
ffmpeg -nostdin -y -i "$work/clip.avi" -c:v mpeg4 -c:a mp2 "$work/out.mkv" 2>&1 | seed ffmpeg command-check.txt
ffmpeg -nostdin -y -i "$work/missing.avi" "$work/out.mkv" 2>&1 | seed ffmpeg failed.txt

# x264 and MKVmerge: their status queries.
x264 --fullhelp 2>&1 | seed x264 fullhelp.txt
x264 --version 2>&1 | seed x264 version.txt
mkvmerge --version | seed mkvmerge version.txt
mkvmerge -J "$work/clip.mkv" | seed mkvmerge identify.json
