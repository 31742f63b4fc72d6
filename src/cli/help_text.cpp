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
    lanternslide-render [OPTION]... -o OUTPUT SHOW.toml
    lanternslide-render [OPTION]... --write-show SHOW.toml PICTURE...
    lanternslide-render --list-effects | --help | --version

DESCRIPTION
    Holds each PICTURE (JPEG, PNG, BMP, HEIC/HEIF or WebP, recognised by
    content) for a while, joins neighbours with one of 176 animated
    transitions, opens from black, closes to black and encodes the result
    with an optional sound track into OUTPUT, whose extension names the
    container (.mp4, .mov, .mkv, .webm, .avi). By default the video is
    1920x1080 at 30 frames per second, H.264 at quality 23, pictures scaled
    smoothly; sound is AAC in MP4 and MOV, Opus in MKV and WebM, MP3 in AVI.
    The timeline and effects are those of the desktop program. Rendering
    runs as fast as the machine allows unless --realtime.

    The video is written under a hidden name beside OUTPUT and takes the name
    OUTPUT when the run ends; an existing OUTPUT is replaced then. A run that
    fails before any frame is written leaves no file. MP4 and MOV files are
    recorded in fragments, so a run cut short (a full disk, a crash) keeps
    every fragment written, and are then rewritten with the index at the
    front ("fast start"), so they play while they download.

OPTIONS
    -o, --output FILE
        The video file to write (required).
    --list FILE
        Read picture paths from FILE, one a line (blank lines skipped),
        after any named on the command line.
    SHOW.toml, --show FILE
        Render a show file: each picture with its own hold, transition,
        effect, placement, motion and caption (docs/show-file.md). Options
        given on the command line win over the file's [show] values, the
        look's and the music's too; a slide's own values still win.
    --write-show FILE
        Write the show that the pictures and options describe to FILE and
        exit, rendering nothing: a start to edit and render later. An
        existing FILE is never replaced.
    PICTURE may also be a folder (its JPEG, PNG, BMP, HEIC and WebP files,
    hidden ones skipped) or a quoted pattern such as 'trip/*.jpg'.
    --sort name|date|none
        The order of a folder's or pattern's pictures: by name with numbers
        compared by value (IMG_9 before IMG_10, the default), by the date
        the photo was taken (EXIF, else the file's time), or as the folder
        lists them. Given, it orders all pictures.
    --audio FILE
        Sound track. A file without an audio stream is refused.
    --music FILE
        Another sound file, played after --audio and the --music files
        before it (repeat for a playlist). Any format the media libraries
        read; a file without sound is refused by name before the run.
    --fade-in SECONDS, --fade-out SECONDS
        Fade every sound file in at its start and out at its end. Default 0.
    --crossfade SECONDS
        Let each sound file overlap the next by this long, one fading out
        as the other fades in. Default 0 (one after another, no gap).
    --end-fade SECONDS
        Where the pictures end before the music, fade it out over the last
        SECONDS of the video instead of cutting it. Default 2; 0 cuts.
    --fit-to-music
        Stretch or shrink the picture holds (keeping their proportions;
        transitions keep their length) so the video ends with the music.
        Refused, saying how much music is missing, when a hold would fall
        under --min-hold.
    --min-hold SECONDS
        The shortest hold --fit-to-music may make. Default 0.5.
    --sync beats|onsets|none
        Start every transition on a beat (or on any note or hit) of the
        music, each hold kept as near its set length as the music allows.
        With --fit-to-music too, the last cut (into black) leaves the beat
        so that the video still ends with the music. Default none.
    --loudness LUFS
        Bring the sound to this integrated loudness (EBU R128), such as
        -16, so shows made from different songs sound alike.
    --rate N/D
        Frames per second, N or N/D from 1 to 240. Default 30/1.
    --size WxH
        Frame size in pixels, even numbers up to 16384. Default 1920x1080.
        Wins over --preset.
    --preset NAME
        A frame size by name: 720p (1280x720), 1080p (1920x1080), 1440p
        (2560x1440), 4k (3840x2160), portrait (1080x1920), square
        (1080x1080), 4:3 (1440x1080).
    --scaling smooth|nearest
        How pictures are scaled to the frame: smooth averages pixels (the
        default); nearest drops and repeats them as the desktop program does.
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
    --seed N
        Draw the random effects from N (0 to 4294967295): the same seed
        gives the same effects in the same order. Without one, a seed is
        drawn and printed.
    --break-when-no-pictures
        End the video when the pictures are used up, cutting a longer sound
        track (the default).
    --no-break-when-no-pictures
        Let a longer sound track play on over black.
    --realtime
        Produce frames no faster than they play, as the desktop program
        does (for live outputs).
    --no-exif-orientation
        Show JPEG and WebP photos as stored, ignoring the orientation their
        camera recorded (by default they are turned upright; HEIC photos
        are always shown as their file's rotation says).
    --smooth-fit
        The same as --scaling smooth.
    --codec h264|h265|av1|vp9
        The video codec. Default h264 (plays everywhere). MP4 takes all
        four, MOV h264 and h265, MKV all four, WebM av1 and vp9, AVI h264;
        another pair is refused before the run.
    --quality N
        Constant quality from 0 (best, largest) to 51 (smallest) on H.264's
        CRF scale; default 23, 18 looks nearly like the pictures. Each codec
        maps it to its own scale: H.265 CRF N+5, AV1 and VP9 CRF 1.2N+4
        (of 63), NVENC -cq, QSV global quality.
    --bitrate RATE
        Aim at RATE bits per second (such as 8M or 800k) instead of a quality.
    --speed fastest|fast|medium|slow|slowest
        The encoder's speed preset: slower gives smaller files at the same
        quality. Default medium (x264's and x265's medium, SVT-AV1 preset 8,
        VP9 cpu-used 2).
    --hw auto|vaapi|nvenc|qsv|none
        Encode on a graphics device. auto tries NVENC, QSV and VAAPI and
        otherwise encodes in software, saying so in one line; a named one
        that is missing stops the run before any frame, saying what is
        missing. VAAPI encoders need frames uploaded to the device, which
        this version does not do. Default none.
    --audio-codec aac|opus|mp3
        The sound codec instead of the container's (see DESCRIPTION).
    --audio-bitrate RATE
        Sound bits per second. Default 192k for AAC and MP3, 128k for Opus.
    --no-fast-start
        Write MP4 and MOV files in one pass, the index at the end: no
        rewrite at the end of the run, but a run cut short leaves nothing.
    --fit fit|fill|blur
        How pictures sit in the frame: whole with bars (fit, the default),
        covering the frame with the overflow cropped (fill), or whole over
        a blurred, darkened copy of themselves (blur).
    --background #RRGGBB
        Colour of the bars of fit. Default #000000.
    --fill-at X,Y
        Which part fill keeps, as fractions: 0,0 the top left, 0.5,0.5 the
        centre (the default).
    --motion NAME|X,Y,W,H:X,Y,W,H
        Pan and zoom over each picture for its whole time on screen: none
        (the default), zoom-in, zoom-out, pan-left, pan-right, pan-up,
        pan-down, auto (a gentle move that keeps the centre in view), or
        the part shown first and last as fractions of the picture.
    --easing linear|smooth
        Motion at a steady pace or starting and stopping gently (the default).
    --captions FILE
        One caption a line for the pictures in order (UTF-8; an empty line
        for none; \n starts a new line in a caption).
    --caption-font FAMILY
        Font family of the captions. Default "DejaVu Sans"; a family that is
        not installed is replaced by the default with a note.
    --caption-size SHARE
        Text height as a share of the frame height, 0.01 to 0.5. Default 0.06.
    --caption-colour #RRGGBB, --caption-outline-colour #RRGGBB
        Text and outline colours. Default white on a black outline.
    --caption-outline SHARE
        Outline width as a share of the text size, 0 (none) to 0.5.
        Default 0.06.
    --no-caption-shadow
        Draw captions without their drop shadow.
    --caption-place bottom|top|centre
        Where captions go. Default bottom.
    --caption-margin SHARE
        Distance from the frame's edges as a share of its height, 0 to 0.4;
        longer captions wrap inside it. Default 0.05.
    --caption-fade SECONDS
        Fade in and out, 0 to 60 seconds. Default 0.5.
    --subtitles
        Also put the captions into the video as a subtitle stream players
        can switch on and off: mov_text in .mp4 and .mov, SubRip in .mkv.
    --every-frame
        Encode every frame even while a picture is held. By default MP4,
        MOV and MKV videos encode a held picture once and let it last.
        A show file says the same with every_frame = true.
    --segment K/N
        Render only part K of N of the show, without sound, so that parts
        can render at once on other cores or machines. Parts are cut where
        a picture's hold starts. Every part needs the same pictures and
        options (and --seed N where effects are drawn at random).
    --segment sound
        Encode only the show's whole sound track, tagged like the parts,
        so that it is made at the same time as them; --join copies it.
    --join PART...
        Put the parts together into OUTPUT, with the same pictures and
        options as the parts (named before --join): their video is copied,
        not encoded again, and so is the sound part's sound if one is given;
        otherwise the sound is encoded here, once for the whole show.
        Parts may come in any order; a missing, doubled or cut-short part,
        or one of another show, is refused and nothing is written.
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
    Photos of a trip with music, in full HD for the web:
        lanternslide-render --audio music.mp3 -o trip.mp4 ~/Pictures/trip/*.jpg

    Phone photos as a portrait video, smaller file, H.265:
        lanternslide-render --preset portrait --codec h265 --quality 28 \
            -o story.mp4 IMG_*.HEIC

    A WebM for a web page, VP9 with Opus sound:
        lanternslide-render --preset 720p --codec vp9 --audio song.ogg \
            -o show.webm *.webp

    Two songs crossfaded, the show fitted to them, cuts on the beat:
        lanternslide-render --audio one.mp3 --music two.flac --crossfade 3 \
            --fit-to-music --sync beats --loudness -16 -o trip.mp4 *.jpg

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
