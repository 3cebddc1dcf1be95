"""Helpers for the end-to-end suite: each scenario runs the built launcher in a sandbox of its own
(network and mount namespace, display server, session and accessibility buses) against a TLS
service on loopback, and drives it with the keyboard and mouse as a subscriber would."""
