#!/usr/bin/env bash
# Writes the agenda's warning sound: a soft three-note chime (E6, G#6, B6)
# with a gentle decay, about 1.4 seconds, as MP3.
#   make-chime.sh OUTPUT.mp3
set -euo pipefail
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
note() { # frequency start-delay name
  sox -n -r 44100 -c 1 "$tmp/$3.wav" synth 1.1 sine "$1" sine "$(echo "$1*2" | bc -l)" \
      remix 1v0.8,2v0.2 fade q 0.005 1.1 1.0 vol 0.5 pad "$2" 0
}
note 1318.51 0 a
note 1661.22 0.18 b
note 1975.53 0.36 c
sox -m "$tmp/a.wav" "$tmp/b.wav" "$tmp/c.wav" "$tmp/chime.wav" norm -3 reverb 30 50 60 trim 0 1.5 fade t 0 1.5 0.4
lame --quiet -b 96 "$tmp/chime.wav" "$out"
