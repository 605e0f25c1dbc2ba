// The text of the script reference panel. Layout rules the quick index and
// the colouring rely on: syntax lines start in column 1 with an upper-case
// word, descriptions are indented two blanks, samples are indented
// "  Example:  " lines, headings are underlined with "-". Lines hold at
// most 60 characters.
#include "scripting/script_reference.h"

namespace pq {

QString ScriptReferenceText()
{
    return QStringLiteral(R"pq(PASTELLOQUIN SCRIPT REFERENCE
==============================
  A script is a text file (.pqs) with one command a line.
  The commands run from top to bottom on a working image,
  which starts as the picture on display; the photo you
  opened stays the source. Keywords and effect names may
  be written in any case. Blanks separate the arguments;
  put a text with blanks in 'single' or "double" quotes.
  Numbers use a decimal point (0.5) in every language.
  Run shows the result; one Undo takes the whole script
  back.

COMMENTS
--------
  Lines starting with # are ignored, and so are empty
  lines. A # later in a line belongs to the command, as
  in #2 or #FFFFFFFF.

IMAGE PIPELINE
--------------
RESET
  Makes the source photo the working image again. Start a
  script with RESET to work on the photo itself.
  Example:  RESET
CLEAR
  Painting effects start on a blank canvas (the option
  "Erase background", restored when the script ends).
  Example:  CLEAR
NOCLEAR
  Painting effects paint over the picture on display.
  Example:  NOCLEAR
CONTOUR ON [<#RRGGBB>] | CONTOUR OFF
  Outlines the shapes of Mosaic, Circles and Triangles,
  in black unless a colour is given. Stays set after the
  script, like the option "Draw shape contours".
  Example:  CONTOUR ON #FF202020
ENHANCE
  Balances the exposure and colours automatically.
  Example:  ENHANCE

EFFECTS
-------
EFFECT <id> <P1> <P2> <P3> <P4> <P5>
  Runs an effect on the working image. <id> is the
  effect's number or name; quote a name with blanks
  ('Pencil Sketch 1'). P1 to P5 are the effect's five
  sliders from top to bottom, 0 to 100; all five must be
  written (0 for a slider the effect does not have).
  Example:  EFFECT 300 30 40 40 100 20
  Example:  EFFECT Watercolor 30 40 40 100 20

  PENCIL SKETCH               PAINTING
  100 PencilSketch1           300 Watercolor
  101 PencilSketch2           301 Watercolor2
  102 PencilSketch3           302 OilPastel
  103 Crosshatch              303 WatercolorSplashes
  PEN & INK                   304 ImpastoBrushstrokes
  200 BlackAndWhite           305 Brushstrokes2
  201 Stippling               306 SmoothPainting
  202 FeltTipPen              307 StochasticPainting
  STYLIZE                     PHOTO LAB
  500 Mosaic                  400 OrtonFilter
  501 Cartoon                 401 Adjustments
  502 Circles                 402 VintageSepia
  503 Triangles               403 RetroFilm
                              404 LUTs

SLOTS (save/load intermediate results)
--------------------------------------
SAVE <slot>
  Keeps a copy of the working image under a name of your
  choice. Names are not case-sensitive.
  Example:  SAVE myslot
LOAD <slot>
  Makes a kept image the working image again.
  Example:  LOAD myslot
SWAP
  Makes the working image the new source photo, which
  RESET returns to; the old source is kept in slot dst.
  Example:  SWAP

BLENDING
--------
BLEND <slot> <opacity> [<mode>]
  Lays a kept image over the working image. <opacity> is
  the weight of the kept image, 0 to 100 (per cent).
  Modes: normal (the default), multiply, screen, overlay,
  darken, lighten, softlight, hardlight, difference.
  Example:  BLEND myslot 50
  Example:  BLEND myslot 100 multiply

TEXTURE
-------
TEXTURE [#N] [<strength> <scale>]
  Lays a paper or canvas texture over the image. #N picks
  texture N of the texture panel's list; without it the
  texture chosen in that panel is used. Strength 0 to 100
  and the size of the texture (1 = as it is) come from
  the texture panel (50 and 1) unless both are given.
  Example:  TEXTURE
  Example:  TEXTURE #2 30 1.5

FRAMES
------
FRAME [#N] [<margin> [<color>]]
  Puts a picture frame around the image, with a margin of
  <margin> pixels in <color> inside it. #N picks frame N
  of the frame panel's list (#0 or none: the frame chosen
  there). Margin and colour come from the frame panel
  (20, white) unless given.
  Example:  FRAME #3 20 #FFFFFFFF
FRAME brushstrokes <width> [<color>] [brush=<N>]
  Paints a border of brushstrokes <width> pixels wide
  (default 60) in <color> (default: the frame colour).
  brush= sets the brush size, 10 to 200 (default 40).
  Example:  FRAME brushstrokes 40 #FFFFFFFF brush=80

TEXT
----
FONT <name> <size> [<style>] [<color>]
  Sets the font of the TEXT commands after it: a font
  family, a size in pixels (1 to 10000), a style
  (regular, bold, italic or bolditalic) and a colour.
  Quote a name with blanks. At the start of a script:
  Arial 24 regular white.
  Example:  FONT "Times New Roman" 36 italic #FFFFFFFF
TEXT <x> <y> '<string>' [options]
  Writes one line of text. x and y are pixels from the
  top left corner, or per cent of the width and height:
  below 50% the text's left (top) edge is there, above
  50% its right (bottom) edge, and 50% centres it.
  Options for this line only, written without blanks:
    size=<N>  color=<#AARRGGBB>  font=<name>
    style=<style>  shadow=on (or shadow=off)
  Example:  TEXT 50% 50% 'Hello' size=64 shadow=on
  Example:  TEXT 99% 99% 'My photo' color=#CCFFFFFF

RESIZE
------
RESIZE <width> <height>
  Resizes the working image and the source photo to
  <width> x <height> pixels, or to per cent of their size
  when written with %. A side may be at most 32767
  pixels, a picture at most 200 million pixels.
  Example:  RESIZE 1920 1080
  Example:  RESIZE 50% 50%

LUT FILE
--------
LUT_FILE <filepath>
  Chooses a .cube colour table for the LUTs effect (404).
  Quote a path with blanks. Stays set after the script.
  Example:  LUT_FILE "/home/me/LUTs/Film look.cube"
LUT_EMBEDDED <name>
  Chooses a built-in colour table for effect 404:
    Architecture, Blues, Cinematic saturation,
    Cinematic, Cyan skies, Film print, Film tone 1,
    Film tone 2, Golden hour, HDR natural, HDR,
    Kodachrome, Monochrome artistic,
    Monochrome balanced, Monochrome vintage, Portrait,
    Rich colors, Vibrant light
  Example:  LUT_EMBEDDED Golden hour

COLORS
------
  Colours are written #AARRGGBB: alpha (opacity), red,
  green and blue in hexadecimal, 00 to FF. #RRGGBB is an
  opaque colour.
    #FFFFFFFF  white
    #FF000000  black
    #80FF0000  half transparent red
    #FF2060C0  blue

FULL EXAMPLE
------------
# Watercolour with ink lines, a signature and a frame
# Copy these lines into the editor and press Run
RESET
EFFECT Watercolor 30 40 40 100 20
SAVE paint
RESET
EFFECT FeltTipPen 65 70 30 5 40
BLEND paint 100 multiply
EFFECT Adjustments 52 52 55 15 52
FONT Georgia 36 italic #CCFFFFFF
TEXT 98% 98% 'Pastelloquin' shadow=on
FRAME #1 20 #FFFFFFFF
TEXTURE #2 30 1
)pq");
}

} // namespace pq
