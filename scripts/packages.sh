# Debian packages by purpose; sourced by the other scripts.
# shellcheck shell=bash
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config nlohmann-json3-dev qt6-base-dev qt6-multimedia-dev
                librtmidi-dev libjack-dev libasound2-dev zlib1g-dev
                libxkbcommon-dev fonts-liberation qt6-qpa-plugins libsndfile1-dev)
# python3-mido reads exported MIDI files back. abcmidi made the MIDI files under tests/data
# (from the .abc files beside them). jackd1 gives the MIDI input tests real ports. xvfb, xdotool
# and openbox run the real editor on a virtual display with a window manager (the recovery test
# kills it and starts it again). musescore3 reads the exported MusicXML files back.
TEST_PACKAGES=(libgtest-dev pulseaudio pulseaudio-utils sox poppler-utils python3-mido abcmidi
               jackd1 man-db groff-base xvfb xdotool openbox musescore3)
# Building and checking the Debian package (scripts/package, scripts/check-package); man-db and
# groff-base render the manual pages.
PACKAGE_PACKAGES=(dpkg-dev desktop-file-utils appstream librsvg2-bin man-db groff-base)
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# The window benchmarks run the editor on a virtual display with a window manager and a sound
# server (pulseaudio-utils records what it plays), and watch for its window through xcb.
BENCH_PACKAGES=(fluidsynth fluid-soundfont-gm sox jackd1 xvfb openbox pulseaudio pulseaudio-utils
                libxcb1-dev)
