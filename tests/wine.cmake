# Win32 and end-to-end tiers under Wine.
