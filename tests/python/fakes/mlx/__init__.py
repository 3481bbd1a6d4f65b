"""Test stand-in for the mlx package (see ../README.md)."""
