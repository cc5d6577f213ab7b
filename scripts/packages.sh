# The Debian packages the two set-up commands need; sourced by ./run and ./test.
build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev fonts-dejavu-core)
test_packages=(clang-14 libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
               python3 xvfb xdotool imagemagick)
# The Windows build and its tests under wine: scripts/test-windows.sh installs these.
windows_packages=(g++-mingw-w64-x86-64-posix googletest wine64 fonts-wine xvfb xdotool imagemagick)
# Making and checking the .deb and the zip: scripts/test-packages.sh installs these.
package_packages=(dpkg-dev desktop-file-utils appstream)
