#!/bin/sh
# What a user would otherwise run for the same four facts.
acpi -ab && brightnessctl -m && sensors
