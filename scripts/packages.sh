# The Debian packages the two set-up commands need; sourced by ./run and ./test. They are
# installed without recommended packages, so each list names all that its users need.
# ImageMagick is for the end-to-end tests' screenshots (`import`), which need none of its
# recommendations; the Windows icon is drawn ahead of time by scripts/draw-icon.sh.
# A build configured as it comes looks for GoogleTest and Google Benchmark, so ./run needs them.
build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev fonts-dejavu-core
                libgtest-dev libgmock-dev libbenchmark-dev)
# The screen-reader test reads the window over AT-SPI on a private session bus, with
# Debian's own Python and pyatspi.
test_packages=(clang-14 libclang-rt-14-dev googletest python3 xvfb xdotool imagemagick unicode-data
               dbus-daemon dbus-bin at-spi2-core python3-pyatspi)
# The Windows build and its tests under wine: scripts/test-windows.sh installs these.
windows_packages=(g++-mingw-w64-x86-64-posix googletest wine64 fonts-wine xvfb xdotool imagemagick)
# The whole-program benchmark's yardstick for starting on a large file: scripts/bench-whole.sh
# installs it.
bench_packages=(vim)
# Making and checking the .deb, the zip and the Windows setup program:
# scripts/test-packages.sh installs these. CPack finds the .deb's libraries only where `file`
# can tell it the program is an executable; makensis builds the setup program, lintian
# judges the .deb (it brings man, which checks the manual page).
package_packages=(dpkg-dev file desktop-file-utils appstream nsis lintian)
