#!/bin/sh
# Captures the fuzz targets' seeds from the real engines: what each engine prints for the
# queries and runs the program makes, on clips made here. Run it again after an engine
# update to refresh them:  sh fuzz/captureseeds.sh
# Each seed is cut to 64 KiB: the fuzz runs grow them up to the 4 MiB the program reads of an
# answer, and the suite's long inputs (fuzz/long) reach that size. The seeds of the update
# reply, the settings files and the recent list are written by hand: no engine prints them.
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

# The raw bytes every answer is decoded from: progress ended by carriage returns, a file name
# in Latin-1 (not UTF-8) as MPlayer prints it, and MediaInfo's report of a UTF-8 title.
ffmpeg -nostdin -y -i "$work/clip.avi" -c:v mpeg4 -c:a mp2 "$work/out2.mkv" 2>&1 | seed lines ffmpeg-encode.txt
latin=$(printf '%s/caf\351.avi' "$work")
cp "$work/clip.avi" "$latin"
mplayer -noconfig all -identify -frames 0 -vo null -ao null "$latin" 2>&1 | seed lines mplayer-latin1-name.txt
mediainfo "$work/clip.mkv" | seed lines mediainfo-utf8.txt

# FFprobe's answers to a load, as the program asks for them: JSON with every field, with and
# without the packets of a split's analysis, and the sections form of older answers.
for clip in clip.avi clip.mkv clip.vob; do
    ffprobe -v quiet -analyzeduration 1000 -show_format -show_streams -of json -show_optional_fields always \
        "$work/$clip" | seed ffprobe_load "$clip.json"
done
ffprobe -v quiet -show_format -show_streams -select_streams V:0 -read_intervals '%+#1,+2%' -show_entries \
    packet=pts_time,dts_time,duration_time,flags,data_hash -show_data_hash MD5 -show_packets -of json \
    -show_optional_fields always "$work/clip.mkv" | seed ffprobe_load packets.json
ffprobe -v error -select_streams V:0 -read_intervals '%+#5' -show_entries packet=pts_time,dts_time,duration_time,flags \
    -show_packets -show_format -show_streams "$work/clip.vob" | seed ffprobe_load packets.sections

# MediaInfo's reports of encoded files as the finalising rules read them: a frame-number AVI
# whose only stream is its sound, an AVI of a 16:9 picture, an MP4.
mencoder "$work/clip.avi" -ovc frameno -oac mp3lame -o "$work/frameno.avi" >/dev/null 2>&1
ffmpeg -v error -y -i "$work/clip.avi" -aspect 16:9 -c:v mpeg4 -c:a libmp3lame "$work/wide.avi"
ffmpeg -v error -y -i "$work/clip.avi" -c:v libx264 -preset ultrafast -c:a aac "$work/clip.mp4"
for clip in frameno.avi wide.avi clip.mp4 clip.mkv; do
    mediainfo "$work/$clip" | seed finalize_rules "$clip.txt"
done

# A running job's two channels: FFmpeg's progress on standard error, MEncoder's on standard
# output, with what each prints on the other channel.
ffmpeg -nostdin -y -i "$work/clip.avi" -c:v mpeg4 -c:a mp2 -progress pipe:1 "$work/out3.mkv" \
    2>"$work/ffmpeg.err" | seed job_output ffmpeg-progress-channel.txt
seed job_output ffmpeg-encode.txt < "$work/ffmpeg.err"
mencoder "$work/clip.avi" -ovc lavc -oac mp3lame -o "$work/out4.avi" 2>"$work/mencoder2.err" \
    | seed job_output mencoder-encode.txt
seed job_output mencoder-errors.txt < "$work/mencoder2.err"

# What the consoles show: an engine's report and its errors, and a title with markup in it.
seed consoles ffmpeg-encode.txt < "$work/ffmpeg.err"
seed consoles mencoder-encode.txt < "$work/mencoder.out"
mplayer -noconfig all -identify -frames 0 -vo null -ao null "$work/clip.mkv" 2>&1 | seed consoles mplayer-identify.txt

# The names the window proposes an output name from, written by hand: the folder paths of
# DVDs (a DVD folder has no volume name), a file base name, a path of another system.
printf '%s\n' "/home/user/Videos/dvd" "/home/user/Videos/Le film été/VIDEO_TS" "/home/user/Videos/Le film été" \
    "/media/cdrom/VIDEO_TS" "clip" "Le grand film d'Ève (2010)" "C:\\DVD\\MOVIE_2\\VIDEO_TS" | seed target_name names.txt

# FFprobe's compact packet listing as the splitter reads it from the pipe.
ffprobe -v error -select_streams V:0 -show_entries packet=pts_time,dts_time,duration_time,flags -of compact=p=0 \
    -show_packets "$work/clip.mkv" | seed packet_listing clip.mkv.txt
ffprobe -v error -select_streams V:0 -show_entries packet=pts_time,dts_time,duration_time,flags -of compact=p=0 \
    -show_packets "$work/clip.vob" | seed packet_listing clip.vob.txt

# The split planner: what the input's header says of its pictures ("SIZE START END PARTS
# VOLUME_SIZE": three parts, or volumes within a third), then their listing as the splitter
# reads it.
for clip in clip.avi clip.vob; do
    size=$(wc -c < "$work/$clip")
    start=$(ffprobe -v error -select_streams V:0 -show_entries stream=start_time -of default=nw=1:nk=1 "$work/$clip")
    length=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$work/$clip")
    { echo "$size $start $(echo "$start + $length" | bc) 3 $((size / 3))"
      ffprobe -v error -select_streams V:0 -show_entries packet=pts_time,dts_time,duration_time,flags,pos \
          -of compact=p=0 "$work/$clip"; } | seed split_planner "$clip.txt"
done

# The output meter: FFprobe on a source's lengths (Matroska gives its streams' lengths as
# tags; a file of two minutes, so that minutes count), and FFmpeg's reports of a whole read.
ffmpeg -v error -y -f lavfi -i testsrc=duration=125:size=64x48:rate=5 -f lavfi -i sine=duration=125 \
    -c:v mpeg4 -c:a mp2 "$work/long.mkv"
for clip in long.mkv clip.avi; do
    ffprobe -v quiet -show_format -show_streams -of json -show_optional_fields always "$work/$clip" \
        | seed output_meter "$clip.json"
done
ffmpeg -nostdin -v error -i "$work/clip.mkv" -map 0:v? -map 0:a? -c copy -f null -nostats -progress pipe:1 - \
    | seed output_meter progress.txt

# A DVD title's dump by MPlayer: its status lines and closing line.
ffmpeg -v error -y -f lavfi -i testsrc=duration=3:size=720x576:rate=25 -f lavfi -i sine=duration=3 \
    -target pal-dvd "$work/title.mpg"
mkdir -p "$work/dvd"
printf '<dvdauthor dest="%s">\n <vmgm><menus><video format="pal"/></menus></vmgm>\n <titleset><titles><pgc><vob file="%s"/></pgc></titles></titleset>\n</dvdauthor>\n' \
    "$work/dvd" "$work/title.mpg" > "$work/dvd.xml"
VIDEO_FORMAT=PAL dvdauthor -x "$work/dvd.xml" >/dev/null 2>&1
mplayer -noconfig all -dvd-device "$work/dvd" dvd://1 -dumpstream -dumpfile "$work/title.vob" 2>&1 \
    | seed dvd_title_dump dump.txt
mplayer -noconfig all -dvd-device "$work/dvd" dvd://1 -dumpstream -dumpfile "$work/title2.vob" -endpos 1 2>&1 \
    | seed dvd_title_dump trial.txt

# A disc's table of titles (VIDEO_TS.IFO): three titles in two title sets, the last two
# sharing the second.
mkdir -p "$work/dvd2"
printf '<dvdauthor dest="%s">\n <vmgm><menus><video format="pal"/></menus></vmgm>\n <titleset><titles><pgc><vob file="%s"/></pgc></titles></titleset>\n <titleset><titles><pgc><vob file="%s"/></pgc><pgc><vob file="%s"/></pgc></titles></titleset>\n</dvdauthor>\n' \
    "$work/dvd2" "$work/title.mpg" "$work/title.mpg" "$work/title.mpg" > "$work/dvd2.xml"
VIDEO_FORMAT=PAL dvdauthor -x "$work/dvd2.xml" >/dev/null 2>&1
seed dvd_title_sets two-sets.ifo < "$work/dvd2/VIDEO_TS/VIDEO_TS.IFO"
seed dvd_title_sets one-set.ifo < "$work/dvd/VIDEO_TS/VIDEO_TS.IFO"

# FFmpeg's first copied packet of a split's volume, with and without a start.
ffmpeg -v error -i "$work/clip.mkv" -map 0:V:0 -c copy -copyts -frames 1 -f framemd5 - | seed first_copied_packet start.txt
ffmpeg -v error -ss 1.5 -i "$work/clip.vob" -map 0:a:0 -c copy -copyts -frames 1 -f framemd5 - \
    | seed first_copied_packet seek.txt

# The player panel's reports of a loaded file, MediaInfo's and FFprobe's one after the other.
for clip in clip.mkv clip.avi; do
    { mediainfo "$work/$clip"; ffprobe -v quiet -analyzeduration 1000 -show_format -show_streams -of json \
        -show_optional_fields always "$work/$clip"; } | seed movie_corrections "$clip.txt"
done
