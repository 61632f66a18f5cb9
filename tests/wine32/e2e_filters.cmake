# The end-to-end suites of the 32-bit tier and, for each, the gtest filter of its main paths.
set(kestrova_e2e32_suites Window Controls Readouts Console User Looks Appearance Faults Tab)
set(kestrova_e2e32_filter_Window "MainWindow.*")
set(kestrova_e2e32_filter_Controls "Controls.*")
set(kestrova_e2e32_filter_Readouts "Readouts.*")
set(kestrova_e2e32_filter_Console "Console.*:Console/EndingDuringAPing.*")
set(kestrova_e2e32_filter_User "Dragging.*:Ending.*")
set(kestrova_e2e32_filter_Looks "Scenes/Looks.*")
set(kestrova_e2e32_filter_Appearance "Appearance.*")
# The interface-table stand-in DLL is stdcall: its scripted answers must reach the i686 exe too.
set(kestrova_e2e32_filter_Faults "Faults/FaultsIfTable.*")
set(kestrova_e2e32_filter_Tab "TabKey.TabGoesRoundTheConsoleRowAndShiftTabBack")
