;==========================================================================
; Generated with Vantorel - a tool by the Vantorel developers, 2026
;==========================================================================

Prototype GetAnswer()
Prototype TickCount()
Prototype AllocateHeap()
Prototype Missing()
Prototype ByOrdinal()

Global GetAnswer.GetAnswer
Global TickCount.TickCount
Global AllocateHeap.AllocateHeap
Global Missing.Missing
Global ByOrdinal.ByOrdinal

Procedure.i forwarders_LoadDLL()
  Protected hDLL.i

  hDLL = OpenLibrary(#PB_Any, "forwarders.dll")
  If hDLL <> 0
    GetAnswer = GetFunction(hDLL, "GetAnswer")
    TickCount = GetFunction(hDLL, "TickCount")
    AllocateHeap = GetFunction(hDLL, "AllocateHeap")
    Missing = GetFunction(hDLL, "Missing")
    ByOrdinal = GetFunction(hDLL, "ByOrdinal")

    ProcedureReturn hDLL
  EndIf

  ProcedureReturn #False
EndProcedure

