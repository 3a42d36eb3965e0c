#!/bin/sh
# A shipped binary stays within its byte budget: prints its size and fails above it.
#   size_budget.sh FILE BUDGET
size=$(stat -c %s "$1") || exit 1
echo "$(basename "$1"): $size bytes (budget $2)"
[ "$size" -le "$2" ]
