#include "cli/help_text.h"

#include "effects/effect.h"

#ifndef LS_VERSION
#define LS_VERSION "unknown"
#endif

namespace cli {

std::string HelpText() {
  return R"(NAME
    lanternslide-render - render a slideshow video from pictures, without a window

SYNOPSIS
    lanternslide-render [OPTION]... -o OUTPUT PICTURE...
    lanternslide-render [OPTION]... -o OUTPUT --list FILE
    lanternslide-render --list-effects | --help | --version

DESCRIPTION
    Holds each PICTURE (JPEG, PNG or BMP) for a while, joins neighbours with
    one of 176 animated transitions, opens from black, closes to black and
    encodes the result with an optional sound track into OUTPUT, whose
    extension names the container (.mp4, .mkv, .avi, .mov). Video is H.264
    ("libx264"), sound MP3 ("libmp3lame"). The timeline, effects and encoder
    are those of the desktop program, so the same settings give the same
    video. Rendering runs as fast as the machine allows unless --realtime.

    The video is written under a hidden name beside OUTPUT and takes the name
    OUTPUT when the run ends; an existing OUTPUT is replaced then. A run that
    fails before any frame is written leaves no file.

OPTIONS
    -o, --output FILE
        The video file to write (required).
    --list FILE
        Read picture paths from FILE, one a line (blank lines skipped),
        after any named on the command line.
    --audio FILE
        Sound track. A file without an audio stream is refused.
    --rate N/D
        Frames per second, N or N/D from 1 to 240. Default 30/1.
    --size WxH
        Frame size in pixels, even numbers up to 16384. Default 320x240.
    --picture-delay SECONDS
        How long each picture is held. Default 2.0.
    --transition-delay SECONDS
        How long each transition lasts. Default 1.0.
    --random
        Draw every transition's effect at random (the default).
    --sequential
        Step through the effects in table order, starting with the first.
    --effect N|NAME
        Use this one effect for every transition (see --list-effects).
    --break-when-no-pictures
        End the video when the pictures are used up, cutting a longer sound
        track (the default).
    --no-break-when-no-pictures
        Let a longer sound track play on over black.
    --realtime
        Produce frames no faster than they play, as the desktop program
        does (for live outputs).
    --no-exif-orientation
        Show JPEG photos as stored, ignoring the orientation their camera
        recorded (by default they are turned upright).
    --smooth-fit
        Scale pictures to the frame by averaging (smooth) instead of
        dropping and repeating pixels as the desktop program does.
    --every-frame
        Encode every frame even while a picture is held. By default MP4,
        MOV and MKV videos encode a held picture once and let it last.
    -q, --quiet
        Print neither progress nor the summary of the written file.
    --list-effects
        Print the number and name of every effect and exit.
    -V, --version
        Print the version and exit.
    -h, --help
        Print this text and exit.

PROGRESS
    On a terminal a bar on standard error shows frame, frames per second,
    size written, elapsed and remaining time and percent done; otherwise a
    plain line every few seconds. At the end a summary of the written
    streams goes to standard output. Ctrl-C (SIGINT) or SIGTERM ends the
    run cleanly: the file is closed properly and plays up to that point. A
    second Ctrl-C quits at once.

EXIT STATUS
    0    the video was written
    1    the run failed (the message says why)
    2    a usage error: a bad option or value, a missing or unreadable
         file, an output folder that cannot be written
    130  stopped by Ctrl-C (143 by SIGTERM); the file written so far plays

EXAMPLES
    Photos of a trip with music, at 1280x960:
        lanternslide-render --size 1280x960 --audio music.mp3 \
            -o trip.mp4 ~/Pictures/trip/*.jpg

    One fixed effect, 25 frames per second, longer holds:
        lanternslide-render --effect 60 --rate 25/1 --picture-delay 4 \
            --size 1280x960 -o show.mkv a.jpg b.jpg c.bmp
)";
}

std::string VersionText() { return "lanternslide-render " LS_VERSION "\n"; }

std::string EffectListText() {
  std::string text;
  for (int i = 0; i < effects::kEffectCount; ++i)
    text += std::to_string(i + 1) + "\t" + effects::Effects[i].Name + "\n";
  return text;
}

}  // namespace cli
