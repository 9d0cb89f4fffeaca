<?xml version="1.0" encoding="UTF-8"?>
<!--
  Toolbar "Ormel工具" for host versions up to 16.

  The host applies this stylesheet to its own user interface configuration.
  The configuration to merge in is the export:data block below; the templates
  copy the host's configuration unchanged and only add or replace the one bar
  and the ten items whose identities the block holds, so applying it again
  leaves a single copy of each.

  @SMALL:NN@ and @LARGE:NN@ stand for the 16 and 24 pixel item bitmaps; the
  build fills them in.
-->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:export="urn:mosvik1:workspace-export"
    exclude-result-prefixes="export">

  <xsl:output method="xml" encoding="UTF-8" indent="yes"/>
  <xsl:strip-space elements="*"/>

  <export:data>
    <uiConfig>
      <applicationInfo name="CorelDRAW" framework="CorelDRAW" version="14"
          userConfiguration="true" localizedLang="CS"/>
      <commandBars>
        <commandBar guid="53175317-5317-5317-5317-100000000001" type="toolbar"
            nonLocalizableName="ormel201600401" userCaption="Ormel工具" userCreated="true">
          <container>
            <item guidRef="53175317-5317-5317-5317-900000000001"/>
            <item guidRef="53175317-5317-5317-5317-900000000002"/>
            <item guidRef="53175317-5317-5317-5317-900000000003"/>
            <item guidRef="53175317-5317-5317-5317-900000000004"/>
            <item guidRef="53175317-5317-5317-5317-900000000007"/>
            <item guidRef="53175317-5317-5317-5317-900000000008"/>
            <item guidRef="53175317-5317-5317-5317-900000000009"/>
            <item guidRef="266435b4-6e53-460f-9fa7-f45be187d400"/>
            <item guidRef="53175317-5317-5317-5317-900000000098"/>
            <item guidRef="53175317-5317-5317-5317-900000000099"/>
          </container>
        </commandBar>
      </commandBars>
      <items>
        <whatsNew sinceVersion="off"/>
        <itemData guid="53175317-5317-5317-5317-900000000001"
            dynamicCommand="mosvik1_导出图片" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="导出图片" userToopTip="导出图片">
          <userSmallBitmap>@SMALL:01@</userSmallBitmap>
          <userLargeBitmap>@LARGE:01@</userLargeBitmap>
        </itemData>
        <itemData guid="53175317-5317-5317-5317-900000000002"
            dynamicCommand="mosvik1_转换" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="转换" userToopTip="转换">
          <userSmallBitmap>@SMALL:02@</userSmallBitmap>
          <userLargeBitmap>@LARGE:02@</userLargeBitmap>
        </itemData>
        <itemData guid="53175317-5317-5317-5317-900000000003"
            dynamicCommand="mosvik1_一键PS" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="一键PS" userToopTip="一键PS">
          <userSmallBitmap>@SMALL:03@</userSmallBitmap>
          <userLargeBitmap>@LARGE:03@</userLargeBitmap>
        </itemData>
        <itemData guid="53175317-5317-5317-5317-900000000004"
            dynamicCommand="mosvik1_裁切标记" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="裁切标记" userToopTip="裁切标记">
          <userSmallBitmap>@SMALL:04@</userSmallBitmap>
          <userLargeBitmap>@LARGE:04@</userLargeBitmap>
        </itemData>
        <itemData guid="53175317-5317-5317-5317-900000000007"
            dynamicCommand="mosvik1_二维码" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="二维码" userToopTip="二维码">
          <userSmallBitmap>@SMALL:07@</userSmallBitmap>
          <userLargeBitmap>@LARGE:07@</userLargeBitmap>
        </itemData>
        <itemData guid="53175317-5317-5317-5317-900000000008"
            dynamicCommand="mosvik1_同类选择" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="同类选择" userToopTip="同类选择">
          <userSmallBitmap>@SMALL:08@</userSmallBitmap>
          <userLargeBitmap>@LARGE:08@</userLargeBitmap>
        </itemData>
        <itemData guid="53175317-5317-5317-5317-900000000009"
            dynamicCommand="mosvik1_字体识别" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="字体识别" userToopTip="字体识别">
          <userSmallBitmap>@SMALL:09@</userSmallBitmap>
          <userLargeBitmap>@LARGE:09@</userLargeBitmap>
        </itemData>
        <itemData guidRef="266435b4-6e53-460f-9fa7-f45be187d400"/>
        <itemData guid="53175317-5317-5317-5317-900000000098"
            dynamicCommand="mosvik1_超级撤销" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="超级撤销" userToopTip="如果执行了大批量操作，请使用这个">
          <userSmallBitmap>@SMALL:98@</userSmallBitmap>
          <userLargeBitmap>@LARGE:98@</userLargeBitmap>
        </itemData>
        <itemData guid="53175317-5317-5317-5317-900000000099"
            dynamicCommand="mosvik1_超级重做" dynamicCategory="ab489730-8791-45d2-a825-b78bbe0d6a5d"
            userCaption="超级重做" userToopTip="如果执行了大批量操作，请使用这个">
          <userSmallBitmap>@SMALL:99@</userSmallBitmap>
          <userLargeBitmap>@LARGE:99@</userLargeBitmap>
        </itemData>
      </items>
    </uiConfig>
  </export:data>

  <!-- The data block is read back from this very document. -->
  <xsl:variable name="data" select="document('')/xsl:stylesheet/export:data/uiConfig"/>
  <xsl:variable name="bar" select="$data/commandBars/commandBar"/>
  <xsl:variable name="itemsData" select="$data/items/itemData"/>

  <!-- Identities are compared without regard to letter case, as a host may
       write GUIDs in upper case. -->
  <xsl:variable name="upper" select="'ABCDEF'"/>
  <xsl:variable name="lower" select="'abcdef'"/>

  <xsl:template match="@*|node()">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="/uiConfig">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
      <xsl:if test="not(commandBars)">
        <commandBars>
          <xsl:apply-templates select="$bar" mode="embed"/>
        </commandBars>
      </xsl:if>
      <xsl:if test="not(items)">
        <xsl:apply-templates select="$data/items" mode="embed"/>
      </xsl:if>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="/uiConfig/commandBars">
    <xsl:variable name="present"
        select="commandBar[translate(@guid, $upper, $lower) = $bar/@guid]"/>
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
      <xsl:if test="not($present)">
        <xsl:apply-templates select="$bar" mode="embed"/>
      </xsl:if>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="/uiConfig/commandBars/commandBar">
    <xsl:choose>
      <xsl:when test="translate(@guid, $upper, $lower) = $bar/@guid">
        <xsl:apply-templates select="$bar" mode="embed"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:copy>
          <xsl:apply-templates select="@*|node()"/>
        </xsl:copy>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="/uiConfig/items">
    <xsl:variable name="target" select="itemData"/>
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
      <xsl:for-each select="$itemsData">
        <xsl:variable name="id" select="@guid | @guidRef"/>
        <xsl:if test="not($target[translate(@guid, $upper, $lower) = $id
                                  or translate(@guidRef, $upper, $lower) = $id])">
          <xsl:apply-templates select="." mode="embed"/>
        </xsl:if>
      </xsl:for-each>
    </xsl:copy>
  </xsl:template>

  <!-- A full definition of the host's own item is never replaced by the bare
       reference to it: only items defined here replace those of the host. -->
  <xsl:template match="/uiConfig/items/itemData">
    <xsl:variable name="mine"
        select="$itemsData[@guid = translate(current()/@guid, $upper, $lower)]"/>
    <xsl:choose>
      <xsl:when test="$mine">
        <xsl:apply-templates select="$mine" mode="embed"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:copy>
          <xsl:apply-templates select="@*|node()"/>
        </xsl:copy>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- Rebuilding rather than copying keeps the stylesheet's namespaces out of
       the host's configuration. -->
  <xsl:template match="*" mode="embed">
    <xsl:element name="{local-name()}">
      <xsl:copy-of select="@*"/>
      <xsl:apply-templates select="node()" mode="embed"/>
    </xsl:element>
  </xsl:template>

  <!-- Layout whitespace of the block stays behind whether or not the host
       strips it when reading the stylesheet. -->
  <xsl:template match="text()" mode="embed"/>
  <xsl:template match="text()[normalize-space()]" mode="embed">
    <xsl:value-of select="."/>
  </xsl:template>

  <xsl:template match="comment() | processing-instruction()" mode="embed"/>

</xsl:stylesheet>
