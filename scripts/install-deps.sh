#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, test and run.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev libmimalloc-dev \
  qt6-base-dev libqt6svg6 qt6-translations-l10n libx11-dev libgl-dev xvfb xauth poppler-utils \
  desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl dpkg-dev file groff-base >/dev/null
# Qt's own texts (file dialogs, standard buttons, context menus) come from
# qt6-translations-l10n; the workbench loads its Portuguese catalogue itself,
# so no system locale needs to be generated.
