# SPDX-License-Identifier: Apache-2.0
# Sourced by the scripts that run the Windows build's Qt programs under Wine.

# A Linux path as Wine names it.
windows_path() { echo "Z:${1//\//\\}"; }

# Lets a Windows Qt program of build-windows run in place: the Qt DLLs of the Qt folder and the
# MinGW runtime (posix threads) on PATH, its plugins where QT_PLUGIN_PATH says.
use_windows_qt() {
  local qt=$1 runtime
  runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
  export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$runtime");$(windows_path /usr/x86_64-w64-mingw32/lib)"
  export QT_PLUGIN_PATH="$(windows_path "$qt/plugins")"
}
