#!/bin/sh
# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# What a user would otherwise run for the same four facts.
acpi -ab && brightnessctl -m && sensors
