#!/usr/bin/env bash
# The main job: set up, build, install the plug-ins for this user, show the Standalone,
# and render the demo song with the default instrument.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target Quorvane_VST3 Quorvane_LV2 Quorvane_Standalone

artefacts=build/Quorvane_artefacts/Release
mkdir -p "$HOME/.vst3" "$HOME/.lv2"
rm -rf "$HOME/.vst3/Quorvane.vst3" "$HOME/.lv2/Quorvane.lv2"
cp -r "$artefacts/VST3/Quorvane.vst3" "$HOME/.vst3/"
cp -r "$artefacts/LV2/Quorvane.lv2" "$HOME/.lv2/"

echo
echo "Installed VST3:  $HOME/.vst3/Quorvane.vst3"
echo "Installed LV2:   $HOME/.lv2/Quorvane.lv2"
echo "Standalone:      $(pwd)/$artefacts/Standalone/Quorvane"

# The offline renderer plays the demo song through the default instrument.
cmake --build build -j"$(nproc)" --target quorvane-render
mkdir -p out
build/tools/quorvane-render demo/demo-song.mid -o out/demo-song.wav

echo
echo "Demo song:       $(pwd)/out/demo-song.wav"
