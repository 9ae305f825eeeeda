# Windows-only targets are added as they arrive.
