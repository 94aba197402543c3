#!/bin/sh
# Starts Kalvindo with its own folder as working directory: the data folder,
# the language files and the pictures are found from there.
cd "$(dirname "$(readlink -f "$0")")" || exit 1
exec ./kalvindo "$@"
