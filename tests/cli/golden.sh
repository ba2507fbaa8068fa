#!/usr/bin/env bash
# Reports on the example designs, text and XML, against the stored golden files.
exec bash "$2/tests/golden/run-cases.sh" "$1" "$2"
