#!/usr/bin/env bash
# Checks every C++ source in the repository against .clang-format; lists the
# files that differ. Fix them with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
bad=$(git ls-files '*.cpp' '*.h' | while read -r f; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -n "$bad" ]; then
    echo "format check: these files differ from .clang-format ($(clang-format --version)):"
    echo "$bad" | sed 's/^/  /'
    echo "fix with: git ls-files '*.cpp' '*.h' | xargs clang-format -i"
    exit 1
fi
echo "format check: $(git ls-files '*.cpp' '*.h' | wc -l) files match .clang-format"
