;==========================================================================
; Generated with Vantorel - a tool by the Vantorel developers, 2026
;==========================================================================

Prototype PlainC()
Prototype _Z3Sumiii()
Prototype _Z5ApplyPFiiiEi()
Prototype _Z5Scaledd()
Prototype _Z5Scalei()
Prototype Z6StdSumii()
Prototype _Z7LargestIiET_S0_S0_()
Prototype _Z7Nothingv()
Prototype _ZN2Vt7Archive4OpenEPKc()
Prototype _ZN2Vt7Archive5CountEv()
Prototype _ZN2Vt7Archive9instancesE()
Prototype _ZN2Vt7ArchiveC1Ev()
Prototype _ZN2Vt7ArchiveC2Ev()
Prototype _ZNK2Vt7Archive4ReadEPvj()

Global PlainC.PlainC
Global _Z3Sumiii._Z3Sumiii
Global _Z5ApplyPFiiiEi._Z5ApplyPFiiiEi
Global _Z5Scaledd._Z5Scaledd
Global _Z5Scalei._Z5Scalei
Global Z6StdSumii.Z6StdSumii
Global _Z7LargestIiET_S0_S0_._Z7LargestIiET_S0_S0_
Global _Z7Nothingv._Z7Nothingv
Global _ZN2Vt7Archive4OpenEPKc._ZN2Vt7Archive4OpenEPKc
Global _ZN2Vt7Archive5CountEv._ZN2Vt7Archive5CountEv
Global _ZN2Vt7Archive9instancesE._ZN2Vt7Archive9instancesE
Global _ZN2Vt7ArchiveC1Ev._ZN2Vt7ArchiveC1Ev
Global _ZN2Vt7ArchiveC2Ev._ZN2Vt7ArchiveC2Ev
Global _ZNK2Vt7Archive4ReadEPvj._ZNK2Vt7Archive4ReadEPvj

Procedure.i cpp_exports_LoadDLL()
  Protected hDLL.i

  hDLL = OpenLibrary(#PB_Any, "cpp_exports.dll")
  If hDLL <> 0
    PlainC = GetFunction(hDLL, "PlainC")
    _Z3Sumiii = GetFunction(hDLL, "_Z3Sumiii")
    _Z5ApplyPFiiiEi = GetFunction(hDLL, "_Z5ApplyPFiiiEi")
    _Z5Scaledd = GetFunction(hDLL, "_Z5Scaledd")
    _Z5Scalei = GetFunction(hDLL, "_Z5Scalei")
    Z6StdSumii = GetFunction(hDLL, "_Z6StdSumii@8")
    _Z7LargestIiET_S0_S0_ = GetFunction(hDLL, "_Z7LargestIiET_S0_S0_")
    _Z7Nothingv = GetFunction(hDLL, "_Z7Nothingv")
    _ZN2Vt7Archive4OpenEPKc = GetFunction(hDLL, "_ZN2Vt7Archive4OpenEPKc")
    _ZN2Vt7Archive5CountEv = GetFunction(hDLL, "_ZN2Vt7Archive5CountEv")
    _ZN2Vt7Archive9instancesE = GetFunction(hDLL, "_ZN2Vt7Archive9instancesE")
    _ZN2Vt7ArchiveC1Ev = GetFunction(hDLL, "_ZN2Vt7ArchiveC1Ev")
    _ZN2Vt7ArchiveC2Ev = GetFunction(hDLL, "_ZN2Vt7ArchiveC2Ev")
    _ZNK2Vt7Archive4ReadEPvj = GetFunction(hDLL, "_ZNK2Vt7Archive4ReadEPvj")

    ProcedureReturn hDLL
  EndIf

  ProcedureReturn #False
EndProcedure

